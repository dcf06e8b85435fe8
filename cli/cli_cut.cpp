// cut: keep a span of time or rounds of each demo, as NAME.cut.dem beside it
// (or the one -o names). The original is only read.
#include "cli/cli_commands.h"

#include "cli/cli_files.h"
#include "cli/cli_paths.h"
#include "decode/decode_demo.h"
#include "decode/demo_cut.h"
#include "shared/text.h"

// Messages are kept as far as their buffers reach: a cut one still reads, so
// the bounded copies marked (void) do not fail on it.

static bool FullyDecoded(const DemoTimeline& timeline)
{
    return timeline.decodable && !timeline.decoded.failed && timeline.decoded.frames > 0 &&
           timeline.decoded.framesDecoded == timeline.decoded.frames;
}

// One end of the span in seconds: its time, or where its round starts (for
// --from-round) or ends (for --to-round).
static bool ResolveBound(const CutBound& bound, bool isFrom, const DemoTimeline& timeline,
                         const DemoStructure& structure, bool* given, double* seconds, char* problem,
                         size_t problemSize)
{
    *given = bound.kind != CUT_BOUND_NONE;
    if (bound.kind == CUT_BOUND_TIME)
        *seconds = bound.seconds;
    if (bound.kind != CUT_BOUND_ROUND)
        return true;
    double from, to;
    if (!RoundSpan(timeline, structure, bound.round, bound.round, &from, &to, problem, problemSize))
        return false;
    *seconds = isFrom ? from : to;
    return true;
}

void CutDemoFile(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    // -o names one output: a folder's demos each need their own.
    if (!options.outPath.empty() && (options.paths.size() != 1 || options.paths[0] != path)) {
        ReportFileProblem(options, path, "-o names the output of a single demo; this one came from a folder",
                          outcome);
        return;
    }
    const unsigned char* bytes = scratch->bytes.data();
    size_t size = scratch->bytes.size();
    ReadDemoStructure(bytes, size, &scratch->structure);
    const DemoStructure& structure = scratch->structure;
    if (structure.state == DEMO_DAMAGED) {
        std::string reason = std::string("Damaged, not cut: ") + structure.problem;
        ReportFileProblem(options, path, reason.c_str(), outcome);
        return;
    }
    DecodeDemo(bytes, size, structure, &scratch->timeline);
    if (!FullyDecoded(scratch->timeline)) {
        ReportFileProblem(options, path, "cannot cut a demo that is not fully decoded", outcome);
        return;
    }
    CutSpan span;
    char problem[CUT_PROBLEM_SIZE];
    // A later round's start can lie before an earlier one's end and its five
    // seconds after: rounds compare by number.
    if (options.cutFrom.kind == CUT_BOUND_ROUND && options.cutTo.kind == CUT_BOUND_ROUND &&
        options.cutFrom.round > options.cutTo.round) {
        (void)FormatText(problem, sizeof problem, "the span starts at round %d, after its end at round %d",
                         options.cutFrom.round, options.cutTo.round);
        ReportFileProblem(options, path, problem, outcome);
        return;
    }
    if (!ResolveBound(options.cutFrom, true, scratch->timeline, structure, &span.fromGiven, &span.from, problem,
                      sizeof problem) ||
        !ResolveBound(options.cutTo, false, scratch->timeline, structure, &span.toGiven, &span.to, problem,
                      sizeof problem)) {
        ReportFileProblem(options, path, problem, outcome);
        return;
    }
    CutReport report;
    if (!CutDemo(bytes, size, structure, span, &scratch->spare, &report)) {
        ReportFileProblem(options, path, report.problem, outcome);
        return;
    }
    std::string target = options.outPath.empty() ? CutPath(path) : options.outPath;
    char fileProblem[FILE_PROBLEM_SIZE];
    bool existed = false;
    if (!CreateFileSafely(target.c_str(), scratch->spare.data(), scratch->spare.size(), &existed, fileProblem,
                          sizeof fileProblem)) {
        std::string reason = existed ? target + " already exists; nothing was written"
                                     : "Cannot write " + target + ": " + fileProblem;
        ReportFileProblem(options, path, reason.c_str(), outcome);
        return;
    }
    char from[32], to[32], text[96];
    FormatChatTime(from, sizeof from, report.keptFrom);
    FormatChatTime(to, sizeof to, report.keptTo);
    (void)FormatText(text, sizeof text, ": kept %s to %s (%u frames) -> ", from, to, report.netFrames);
    outcome->out.append(path);
    outcome->out.append(text);
    outcome->out.append(target);
    outcome->out.push_back('\n');
}
