#include "decode/delta.h"

#include <math.h>
#include <string.h>

#include "shared/text.h"

enum {
    META_TYPE, META_NAME, META_OFFSET, META_SIZE, META_BITS, META_PRE, META_POST,
    FIELD_COUNT_BITS = 16,
    MASK_COUNT_BITS = 3,
    STRING_POOL_LIMIT = 1 << 20,   // bytes of distinct string values per session
    STRING_SLOTS = 1 << 14,        // index slots: at most half of them used
    STRING_COUNT_LIMIT = STRING_SLOTS / 2
};

static inline int LowestBit(uint64_t mask)
{
#if defined(_MSC_VER) && !defined(__clang__)
    int i = 0;
    while (!(mask >> i & 1))
        i++;
    return i;
#else
    return __builtin_ctzll(mask);
#endif
}

static uint64_t FieldsMask(int fieldCount)
{
    return fieldCount >= 64 ? ~0ull : (1ull << fieldCount) - 1;
}

// A multiplier the engine applies: not within 0.0001 of 1, and not 0 (never
// sent; the engine would divide by it).
static bool Scales(float multiplier)
{
    return multiplier != 0.0f && !(multiplier > 0.9999f && multiplier < 1.0001f);
}

bool PrepareDeltaField(DeltaField* field)
{
    uint32_t base = field->type & ~(uint32_t)DT_SIGNED;
    bool sign = (field->type & DT_SIGNED) != 0;
    field->readBits = (uint8_t)(field->bits > 32 ? 32 : field->bits < 0 ? 0 : field->bits);
    switch (base) {
    case DT_BYTE:
    case DT_SHORT:
    case DT_FLOAT:
    case DT_INTEGER:
        field->read = sign ? DELTA_READ_SIGNED : DELTA_READ_UNSIGNED;
        break;
    case DT_ANGLE:
        field->read = DELTA_READ_UNSIGNED;
        break;
    case DT_TIMEWINDOW_8:
        field->read = DELTA_READ_SIGNED;
        field->readBits = 8;
        return true;
    case DT_TIMEWINDOW_BIG:
        field->read = DELTA_READ_SIGNED;
        break;
    case DT_STRING:
        field->read = DELTA_READ_STRING;
        return true;
    default:
        // The engine reads nothing for a type it does not know.
        field->read = DELTA_READ_NOTHING;
        return true;
    }
    return field->bits >= 0 && field->bits <= 32;
}

static uint32_t MultiplierRaw(double multiplier)
{
    double raw = multiplier * DELTA_MULTIPLIER_UNIT;
    return raw <= 0 ? 0 : raw >= 4294967295.0 ? 0xFFFFFFFFu : (uint32_t)(raw + 0.5);
}

bool MakeDeltaField(DeltaField* field, const char* name, uint32_t type, int bits, double premultiply,
                    double postmultiply)
{
    memset(field, 0, sizeof *field);
    bool whole = CopyText(field->name, sizeof field->name, name);
    field->type = type;
    field->size = 1;
    field->bits = bits;
    field->premultiplyRaw = MultiplierRaw(premultiply);
    field->postmultiplyRaw = MultiplierRaw(postmultiply);
    field->premultiply = (float)field->premultiplyRaw / DELTA_MULTIPLIER_UNIT;
    field->postmultiply = (float)field->postmultiplyRaw / DELTA_MULTIPLIER_UNIT;
    uint32_t values[DELTA_META_FIELDS] = {type, 1, 0, 1, (uint32_t)bits, field->premultiplyRaw,
                                          field->postmultiplyRaw};
    for (int i = 0; i < DELTA_META_FIELDS; i++) {
        if (values[i] != 0)
            field->metaSent |= (uint8_t)(1u << i);
    }
    return PrepareDeltaField(field) && whole;
}

static DeltaDescription BuildMeta()
{
    DeltaDescription meta;
    memset(&meta, 0, sizeof meta);
    (void)CopyText(meta.name, sizeof meta.name, "delta_description_t");
    meta.fieldCount = DELTA_META_FIELDS;
    MakeDeltaField(&meta.fields[META_TYPE], "fieldType", DT_INTEGER, 32, 1, 1);
    MakeDeltaField(&meta.fields[META_NAME], "fieldName", DT_STRING, 1, 1, 1);
    MakeDeltaField(&meta.fields[META_OFFSET], "fieldOffset", DT_INTEGER, 16, 1, 1);
    MakeDeltaField(&meta.fields[META_SIZE], "fieldSize", DT_INTEGER, 8, 1, 1);
    MakeDeltaField(&meta.fields[META_BITS], "significant_bits", DT_INTEGER, 8, 1, 1);
    MakeDeltaField(&meta.fields[META_PRE], "premultiply", DT_FLOAT, 32, 4000, 1);
    MakeDeltaField(&meta.fields[META_POST], "postmultiply", DT_FLOAT, 32, 4000, 1);
    return meta;
}

const DeltaDescription& MetaDeltaDescription()
{
    static const DeltaDescription meta = BuildMeta();
    return meta;
}

int FindDeltaField(const DeltaDescription& description, const char* name)
{
    for (int i = 0; i < description.fieldCount; i++) {
        if (strcmp(description.fields[i].name, name) == 0)
            return i;
    }
    return -1;
}

static uint64_t ReadMask(BitReader* reader)
{
    // Up to six mask bytes come with their count in one load.
    if (reader->size >= 8 && reader->pos <= (reader->size - 8) * 8) {
        uint64_t word = LoadBitWord(reader->bytes, reader->size, reader->pos >> 3) >> (reader->pos & 7);
        uint32_t bytes = (uint32_t)word & 7;
        if (bytes <= 6) {
            reader->pos += MASK_COUNT_BITS + 8 * bytes;
            return (word >> MASK_COUNT_BITS) & ((1ull << (8 * bytes)) - 1);
        }
    }
    uint32_t count = ReadBits(reader, MASK_COUNT_BITS);
    if (count <= 4)
        return ReadBits(reader, (int)(8 * count));
    uint64_t low = ReadBits(reader, 32);
    return low | (uint64_t)ReadBits(reader, (int)(8 * (count - 4))) << 32;
}

static void WriteMask(BitWriter* writer, uint64_t mask)
{
    int count = 0;
    while (count < DELTA_MASK_BYTES && mask >> (8 * count))
        count++;
    WriteBits(writer, (uint32_t)count, MASK_COUNT_BITS);
    for (int i = 0; i < count; i++)
        WriteBits(writer, (uint32_t)(mask >> (8 * i)) & 0xFF, 8);
}

bool ReadDeltaDescriptionFields(BitReader* reader, DeltaDescription* description, char* why, size_t whySize)
{
    const DeltaDescription& meta = MetaDeltaDescription();
    uint32_t count = ReadBits(reader, FIELD_COUNT_BITS);
    if (count > DELTA_MAX_FIELDS) {
        (void)FormatText(why, whySize, "description %s has %u fields (at most %d can be sent)", description->name,
                         count, DELTA_MAX_FIELDS);
        return false;
    }
    description->fieldCount = (int)count;
    for (uint32_t i = 0; i < count && reader->ok; i++) {
        DeltaField* field = &description->fields[i];
        memset(field, 0, sizeof *field);
        uint64_t mask = ReadMask(reader) & FieldsMask(DELTA_META_FIELDS);
        field->metaSent = (uint8_t)mask;
        uint32_t values[DELTA_META_FIELDS] = {0};
        bool nameWhole = true;
        for (int k = 0; k < DELTA_META_FIELDS; k++) {
            if (!(mask >> k & 1))
                continue;
            if (k == META_NAME)
                nameWhole = ReadBitString(reader, field->name, sizeof field->name);
            else
                values[k] = ReadBits(reader, meta.fields[k].bits);
        }
        field->type = values[META_TYPE];
        field->offset = (int32_t)values[META_OFFSET];
        field->size = (int32_t)values[META_SIZE];
        field->bits = (int)values[META_BITS];
        field->premultiplyRaw = values[META_PRE];
        field->postmultiplyRaw = values[META_POST];
        field->premultiply = (float)((double)field->premultiplyRaw / DELTA_MULTIPLIER_UNIT);
        field->postmultiply = (float)((double)field->postmultiplyRaw / DELTA_MULTIPLIER_UNIT);
        if (!reader->ok)
            break;
        if (!nameWhole) {
            (void)FormatText(why, whySize, "description %s: field %u has a name over %d bytes", description->name, i,
                             DELTA_NAME_SIZE - 1);
            return false;
        }
        if (!PrepareDeltaField(field)) {
            (void)FormatText(why, whySize, "description %s: field %s has %d bits", description->name, field->name,
                             field->bits);
            return false;
        }
    }
    if (!reader->ok) {
        (void)FormatText(why, whySize, "description %s runs past the message", description->name);
        return false;
    }
    return true;
}

void WriteDeltaDescriptionFields(BitWriter* writer, const DeltaDescription& description)
{
    const DeltaDescription& meta = MetaDeltaDescription();
    WriteBits(writer, (uint32_t)description.fieldCount, FIELD_COUNT_BITS);
    for (int i = 0; i < description.fieldCount; i++) {
        const DeltaField& field = description.fields[i];
        uint32_t values[DELTA_META_FIELDS] = {field.type, 0, (uint32_t)field.offset, (uint32_t)field.size,
                                              (uint32_t)field.bits, field.premultiplyRaw, field.postmultiplyRaw};
        WriteMask(writer, field.metaSent & FieldsMask(DELTA_META_FIELDS));
        for (int k = 0; k < DELTA_META_FIELDS; k++) {
            if (!(field.metaSent >> k & 1))
                continue;
            if (k == META_NAME)
                WriteBitString(writer, field.name);
            else
                WriteBits(writer, values[k], meta.fields[k].bits);
        }
    }
}

static uint32_t HashText(const char* text, size_t length)
{
    uint32_t hash = 2166136261u;
    for (size_t i = 0; i < length; i++)
        hash = (hash ^ (unsigned char)text[i]) * 16777619u;
    return hash;
}

void ClearDeltaStrings(DeltaStrings* strings)
{
    // Reserved once, so texts handed out stay where they are until the pool clears.
    strings->text.reserve(STRING_POOL_LIMIT);
    strings->text.assign(1, '\0');
    strings->slots.assign(STRING_SLOTS, 0);
    strings->count = 0;
}

int32_t AddDeltaString(DeltaStrings* strings, const char* text, size_t length)
{
    const char* nul = (const char*)memchr(text, 0, length);
    if (nul)
        length = (size_t)(nul - text);
    if (length == 0)
        return 0;
    if (strings->slots.size() != STRING_SLOTS)
        ClearDeltaStrings(strings);
    uint32_t slot = HashText(text, length) & (STRING_SLOTS - 1);
    while (uint32_t id = strings->slots[slot]) {
        const char* held = strings->text.data() + id;
        if (strncmp(held, text, length) == 0 && held[length] == '\0')
            return (int32_t)id;
        slot = (slot + 1) & (STRING_SLOTS - 1);
    }
    if (strings->count >= STRING_COUNT_LIMIT || strings->text.size() + length + 1 > STRING_POOL_LIMIT)
        return -1;
    uint32_t id = (uint32_t)strings->text.size();
    strings->text.insert(strings->text.end(), text, text + length);
    strings->text.push_back('\0');
    strings->slots[slot] = id;
    strings->count++;
    return (int32_t)id;
}

const char* DeltaString(const DeltaStrings& strings, int32_t id)
{
    if (id <= 0 || (size_t)id >= strings.text.size() || strings.text[(size_t)id - 1] != '\0')
        return "";
    return strings.text.data() + id;
}

bool ReadDelta(BitReader* reader, const DeltaDescription& description, const DeltaValues* from, DeltaValues* to,
               DeltaStrings* strings, uint64_t* sent)
{
    size_t count = (size_t)description.fieldCount;
    uint64_t mask = ReadMask(reader) & FieldsMask(description.fieldCount);
    *sent = mask;
    if (from)
        memmove(to->raw, from->raw, count * sizeof to->raw[0]);
    else
        memset(to->raw, 0, count * sizeof to->raw[0]);
    bool kept = true;
    // Numbers are taken straight from a 64-bit load while 8 bytes are left
    // past the cursor; near the end, and for strings, the checked reads.
    const unsigned char* bytes = reader->bytes;
    size_t pos = reader->pos;
    size_t roomy = reader->size >= 8 ? (reader->size - 8) * 8 : 0;
    while (mask) {
        int i = LowestBit(mask);
        mask &= mask - 1;
        const DeltaField& field = description.fields[i];
        if (field.read == DELTA_READ_NOTHING)
            continue;
        if (field.read != DELTA_READ_STRING && pos <= roomy) {
            uint32_t value = (uint32_t)(LoadBitWord(bytes, reader->size, pos >> 3) >> (pos & 7) &
                                        ((1ull << field.readBits) - 1));
            pos += field.readBits;
            if (field.read == DELTA_READ_SIGNED && field.readBits > 0) {
                int32_t magnitude = (int32_t)(value >> 1);
                to->raw[i] = value & 1 ? -magnitude : magnitude;
            } else {
                to->raw[i] = (int32_t)value;
            }
            continue;
        }
        reader->pos = pos;
        if (field.read == DELTA_READ_UNSIGNED) {
            to->raw[i] = (int32_t)ReadBits(reader, field.readBits);
        } else if (field.read == DELTA_READ_SIGNED) {
            to->raw[i] = ReadSignedBits(reader, field.readBits);
        } else {
            char text[DELTA_STRING_SIZE];
            bool whole = ReadBitString(reader, text, sizeof text);
            int32_t id = strings ? AddDeltaString(strings, text, strlen(text)) : 0;
            kept = kept && whole && id >= 0;
            to->raw[i] = id < 0 ? 0 : id;
        }
        pos = reader->pos;
    }
    reader->pos = pos;
    return reader->ok && kept;
}

bool SkipDelta(BitReader* reader, const DeltaDescription& description, uint64_t* sent)
{
    uint64_t mask = ReadMask(reader) & FieldsMask(description.fieldCount);
    *sent = mask;
    size_t end = reader->size * 8;
    while (mask) {
        int i = LowestBit(mask);
        mask &= mask - 1;
        const DeltaField& field = description.fields[i];
        if (field.read == DELTA_READ_STRING) {
            ReadBitString(reader, NULL, 0);
        } else if (field.read != DELTA_READ_NOTHING) {
            if (field.readBits > end - reader->pos) {
                reader->ok = false;
                reader->pos = end;
            } else {
                reader->pos += field.readBits;
            }
        }
    }
    return reader->ok;
}

void MeasureDeltaFields(const DeltaDescription& description, DeltaWidths* widths)
{
    for (int group = 0; group < DELTA_MASK_BYTES; group++) {
        uint16_t* bits = widths->bits[group];
        bits[0] = 0;
        // Each mask byte is its lowest field plus the byte without it.
        for (int byte = 1; byte < 256; byte++) {
            int i = group * 8 + LowestBit((uint64_t)byte);
            uint16_t width = 0;
            if (i < description.fieldCount) {
                const DeltaField& field = description.fields[i];
                width = field.read == DELTA_READ_STRING ? (uint16_t)DELTA_GROUP_TEXT
                        : field.read == DELTA_READ_NOTHING ? 0 : field.readBits;
            }
            bits[byte] = (uint16_t)((bits[byte & (byte - 1)] + width) | (bits[byte & (byte - 1)] & DELTA_GROUP_TEXT) |
                                    (width & DELTA_GROUP_TEXT));
        }
    }
}

bool ReadDeltaFields(BitReader* reader, const DeltaDescription& description, const DeltaWidths& widths,
                     uint64_t wanted, const DeltaValues* from, DeltaValues* to, uint64_t* sent)
{
    uint64_t mask = ReadMask(reader) & FieldsMask(description.fieldCount);
    *sent = mask;
    wanted &= FieldsMask(description.fieldCount);
    for (uint64_t unsent = wanted & ~mask; unsent; unsent &= unsent - 1) {
        int i = LowestBit(unsent);
        to->raw[i] = from ? from->raw[i] : 0;
    }
    size_t end = reader->size * 8;
    for (int group = 0; group < DELTA_MASK_BYTES && reader->ok && (mask >> (8 * group)); group++) {
        uint32_t byte = (uint32_t)(mask >> (8 * group)) & 0xFF;
        uint32_t bits = widths.bits[group][byte];
        if (!((wanted >> (8 * group)) & byte) && !(bits & DELTA_GROUP_TEXT)) {
            if (bits > end - reader->pos) {
                reader->ok = false;
                reader->pos = end;
            } else {
                reader->pos += bits;
            }
            continue;
        }
        for (uint32_t fields = byte; fields; fields &= fields - 1) {
            int i = group * 8 + LowestBit(fields);
            const DeltaField& field = description.fields[i];
            bool keep = (wanted >> i & 1) != 0;
            if (field.read == DELTA_READ_STRING)
                ReadBitString(reader, NULL, 0);
            else if (field.read == DELTA_READ_SIGNED && keep)
                to->raw[i] = ReadSignedBits(reader, field.readBits);
            else if (field.read != DELTA_READ_NOTHING && keep)
                to->raw[i] = (int32_t)ReadBits(reader, field.readBits);
            else if (field.read != DELTA_READ_NOTHING)
                ReadBits(reader, field.readBits);
        }
    }
    return reader->ok;
}

void WriteDelta(BitWriter* writer, const DeltaDescription& description, const DeltaValues& values, uint64_t sent,
                const DeltaStrings* strings)
{
    uint64_t mask = sent & FieldsMask(description.fieldCount);
    WriteMask(writer, mask);
    while (mask) {
        int i = LowestBit(mask);
        mask &= mask - 1;
        const DeltaField& field = description.fields[i];
        switch (field.read) {
        case DELTA_READ_UNSIGNED:
            WriteBits(writer, (uint32_t)values.raw[i], field.readBits);
            break;
        case DELTA_READ_SIGNED:
            WriteSignedBits(writer, values.raw[i], field.readBits);
            break;
        case DELTA_READ_STRING:
            WriteBitString(writer, strings ? DeltaString(*strings, values.raw[i]) : "");
            break;
        default:
            break;
        }
    }
}

uint64_t ChangedDeltaFields(const DeltaDescription& description, const DeltaValues* from, const DeltaValues& to)
{
    uint64_t changed = 0;
    for (int i = 0; i < description.fieldCount; i++) {
        int32_t before = from ? from->raw[i] : 0;
        if (to.raw[i] != before)
            changed |= 1ull << i;
    }
    return changed;
}

double DeltaFieldValue(const DeltaField& field, int32_t raw, double serverTime)
{
    uint32_t base = field.type & ~(uint32_t)DT_SIGNED;
    switch (base) {
    case DT_STRING:
        return 0;
    case DT_ANGLE:
        return field.readBits == 0 ? 0 : (double)(uint32_t)raw * 360.0 / (double)(1ull << field.readBits);
    case DT_TIMEWINDOW_8:
        return (serverTime * 100.0 - raw) / 100.0;
    case DT_TIMEWINDOW_BIG:
        if (Scales(field.premultiply))
            return (serverTime * field.premultiply - raw) / field.premultiply;
        return serverTime - raw;
    default:
        break;
    }
    double value = field.read == DELTA_READ_UNSIGNED ? (double)(uint32_t)raw : (double)raw;
    if (Scales(field.premultiply))
        value /= field.premultiply;
    if (Scales(field.postmultiply))
        value *= field.postmultiply;
    if (base == DT_BYTE || base == DT_SHORT || base == DT_INTEGER)
        value = trunc(value);
    return value;
}

static int32_t ClampRaw(double value)
{
    if (!(value == value))
        return 0;
    if (value >= 2147483647.0)
        return 2147483647;
    if (value <= -2147483648.0)
        return (-2147483647 - 1);
    return (int32_t)value;
}

int32_t DeltaRawValue(const DeltaField& field, double value)
{
    uint32_t base = field.type & ~(uint32_t)DT_SIGNED;
    switch (base) {
    case DT_STRING:
        return 0;
    case DT_ANGLE: {
        if (field.readBits == 0)
            return 0;
        double turn = fmod(value, 360.0);
        if (turn < 0)
            turn += 360.0;
        uint64_t steps = (uint64_t)(turn * (double)(1ull << field.readBits) / 360.0);
        return (int32_t)(uint32_t)(steps & ((1ull << field.readBits) - 1));
    }
    case DT_INTEGER:
        value = Scales(field.premultiply) ? value * field.premultiply : value;
        if (field.read == DELTA_READ_UNSIGNED && value > 2147483647.0)
            return (int32_t)(uint32_t)(value >= 4294967295.0 ? 4294967295.0 : value);
        return ClampRaw(value);
    case DT_FLOAT:
        // The engine multiplies in single precision.
        return ClampRaw((double)((float)value * field.premultiply));
    default:
        return ClampRaw(value * (field.premultiply != 0.0f ? field.premultiply : 1.0f));
    }
}

void ConvertDeltaValues(const DeltaDescription& fromDescription, const DeltaValues& from,
                        const DeltaDescription& toDescription, DeltaValues* to)
{
    for (int j = 0; j < toDescription.fieldCount; j++) {
        const DeltaField& target = toDescription.fields[j];
        int i = FindDeltaField(fromDescription, target.name);
        if (i < 0) {
            to->raw[j] = 0;
            continue;
        }
        const DeltaField& source = fromDescription.fields[i];
        bool sameScale = source.type == target.type && source.bits == target.bits &&
                         source.premultiplyRaw == target.premultiplyRaw &&
                         source.postmultiplyRaw == target.postmultiplyRaw;
        uint32_t base = target.type & ~(uint32_t)DT_SIGNED;
        bool timeOrText = base == DT_STRING || base == DT_TIMEWINDOW_8 || base == DT_TIMEWINDOW_BIG;
        if (sameScale || timeOrText)
            to->raw[j] = from.raw[i];
        else
            to->raw[j] = DeltaRawValue(target, DeltaFieldValue(source, from.raw[i], 0));
    }
}
