#pragma once
// Delta compression: the descriptions a demo carries (read with the one
// built-in meta description), a delta applied to raw field values, and the
// same delta written back. Values are kept as the raw integers the bits hold
// (sign applied, no multiplier), so a writer re-encodes them bit for bit; the
// meaning of a raw value is asked for separately. Pure: no windows.h.

#include <stddef.h>
#include <stdint.h>

#include <vector>

#include "decode/bits.h"

// Field types as sent (fieldType); DT_SIGNED is a modifier bit.
enum DeltaFieldType : uint32_t {
    DT_BYTE = 1,
    DT_SHORT = 2,
    DT_FLOAT = 4,
    DT_INTEGER = 8,
    DT_ANGLE = 16,
    DT_TIMEWINDOW_8 = 32,          // always 8 bits, signed, 1/100 s before the server time
    DT_TIMEWINDOW_BIG = 64,        // bits as given, signed
    DT_STRING = 128,
    DT_SIGNED = 0x80000000u
};

enum {
    DELTA_MASK_BYTES = 7,          // the mask's byte count is 3 bits
    DELTA_MAX_FIELDS = 56,         // so no later field could ever be sent
    DELTA_NAME_SIZE = 32,          // the engine's name fields are char[32]
    DELTA_MULTIPLIER_UNIT = 4000,  // multipliers travel as value x 4000
    DELTA_META_FIELDS = 7,
    DELTA_STRING_SIZE = 512        // the longest string value kept, with its NUL
};

// How a field's bits are read, worked out once from its type and width.
enum DeltaRead : uint8_t { DELTA_READ_NOTHING, DELTA_READ_UNSIGNED, DELTA_READ_SIGNED, DELTA_READ_STRING };

struct DeltaField {
    char name[DELTA_NAME_SIZE];
    uint32_t type;                 // fieldType as sent, DT_SIGNED included
    int32_t offset, size;          // fieldOffset and fieldSize as sent (the engine's struct layout)
    int bits;                      // significant_bits as sent
    uint32_t premultiplyRaw;       // as sent: premultiply x 4000
    uint32_t postmultiplyRaw;      // as sent: postmultiply x 4000 (0: not sent)
    float premultiply, postmultiply;  // raw / 4000
    uint8_t metaSent;              // which of the 7 meta fields the description's delta sent
    DeltaRead read;
    uint8_t readBits;
};

struct DeltaDescription {
    char name[DELTA_NAME_SIZE];
    int fieldCount;
    DeltaField fields[DELTA_MAX_FIELDS];
};

// Raw values by field index. A string field holds the id of its text in a
// DeltaStrings pool; 0 is the empty string, so all-zero values are the
// engine's all-zero state.
struct DeltaValues {
    int32_t raw[DELTA_MAX_FIELDS];
};

// String values of one decoding session, each text kept once: equal texts
// have equal ids, so values compare by id. Bounded; a full pool refuses.
struct DeltaStrings {
    std::vector<char> text;        // NUL-terminated texts back to back; id = offset
    std::vector<uint32_t> slots;   // open-addressed index of ids (0: empty slot)
    uint32_t count;
};

// The description of descriptions, built in: fieldType, fieldName,
// fieldOffset, fieldSize, significant_bits, premultiply, postmultiply.
const DeltaDescription& MetaDeltaDescription();

// Fills a field as a description would carry it: multipliers as x4000
// integers (a post-multiplier of 0 is not sent), metaSent for the non-zero
// meta values, and the read plan. Returns false when the name was cut.
bool MakeDeltaField(DeltaField* field, const char* name, uint32_t type, int bits, double premultiply,
                    double postmultiply);
// The read plan of a field whose sent values are filled in; false for a
// field no reader can take (more than 32 bits).
bool PrepareDeltaField(DeltaField* field);

// Field index by name, -1 when absent.
int FindDeltaField(const DeltaDescription& description, const char* name);

// The bit part of svc_deltadescription: 16 bits field count, then one meta
// delta against zero per field. The name (sent before, as whole bytes) is
// left as it is. False, with why, on a cut stream or a field list no
// decoder could use (over 56 fields, over 32 bits, a name too long).
bool ReadDeltaDescriptionFields(BitReader* reader, DeltaDescription* description, char* why, size_t whySize);
// Writes the same bits back, each field's meta delta sending metaSent.
void WriteDeltaDescriptionFields(BitWriter* writer, const DeltaDescription& description);

void ClearDeltaStrings(DeltaStrings* strings);
// The id of text (length bytes, no NUL needed); -1 when the pool is full.
int32_t AddDeltaString(DeltaStrings* strings, const char* text, size_t length);
// The text of an id; "" for an id the pool does not hold.
const char* DeltaString(const DeltaStrings& strings, int32_t id);

// Applies one delta: 3 bits mask byte count, the mask, then every flagged
// field in description order; the others are copied from from (NULL: all
// zero). from and to may be the same record. *sent gets the mask (bit i =
// field i, bits at or past the field count dropped). strings NULL reads and
// drops string values (they become 0). False when the stream ended or a
// string could not be kept.
bool ReadDelta(BitReader* reader, const DeltaDescription& description, const DeltaValues* from, DeltaValues* to,
               DeltaStrings* strings, uint64_t* sent);

// Walks one delta without keeping it: the bits a delta takes depend only on
// its mask, so fields are skipped by their width (strings read through).
bool SkipDelta(BitReader* reader, const DeltaDescription& description, uint64_t* sent);

// The bits each group of eight fields takes for each byte of mask, so a
// delta is walked a mask byte at a time. DELTA_GROUP_TEXT marks a group
// whose sent fields hold a string: its width depends on the text.
enum { DELTA_GROUP_TEXT = 0x8000 };
struct DeltaWidths {
    uint16_t bits[DELTA_MASK_BYTES][256];
};
void MeasureDeltaFields(const DeltaDescription& description, DeltaWidths* widths);

// Applies one delta to the wanted fields only (bit i = field i; strings are
// never kept here): those sent are read, the unsent copied from from (NULL:
// zero); every other field of to is left as it was, and the bits of the
// rest are stepped over (to may be NULL when nothing is wanted). *sent gets
// the whole mask. False when the stream ended.
bool ReadDeltaFields(BitReader* reader, const DeltaDescription& description, const DeltaWidths& widths,
                     uint64_t wanted, const DeltaValues* from, DeltaValues* to, uint64_t* sent);

// Writes a delta sending the fields of sent from values: the mask has
// (last sent field / 8) + 1 bytes, and no byte (3 zero bits) when nothing is
// sent. strings NULL writes string fields as empty.
void WriteDelta(BitWriter* writer, const DeltaDescription& description, const DeltaValues& values, uint64_t sent,
                const DeltaStrings* strings);

// The fields whose raw values differ between from (NULL: all zero) and to:
// what the engine sends.
uint64_t ChangedDeltaFields(const DeltaDescription& description, const DeltaValues* from, const DeltaValues& to);

// What a raw value means: divided by the premultiplier, then times the
// postmultiplier (each skipped within 0.0001 of 1; an unsent, zero one too),
// truncated for byte, short and integer; angles in degrees; time windows as
// a time before serverTime. Strings mean 0.
double DeltaFieldValue(const DeltaField& field, int32_t raw, double serverTime);
// The raw value the engine's writer sends for a value (times the
// premultiplier, truncated; angles as fractions of 360 degrees).
int32_t DeltaRawValue(const DeltaField& field, double value);

// Values of one description as another would hold them, field by field by
// name (the engine keeps both in one state record); fields the other lacks
// are 0. The value passes through its meaning, so multipliers may differ.
void ConvertDeltaValues(const DeltaDescription& fromDescription, const DeltaValues& from,
                        const DeltaDescription& toDescription, DeltaValues* to);
