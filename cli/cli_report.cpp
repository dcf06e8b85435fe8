#include "cli/cli_report.h"

#include <string.h>

#include <map>
#include <set>
#include <string>
#include <vector>

#include "cli/cli_batch.h"
#include "cli/cli_commands.h"
#include "cli/cli_files.h"
#include "cli/cli_timeline.h"
#include "cli/report_files.h"
#include "cli/report_open.h"
#include "cli/report_page.h"
#include "cli/report_paths.h"
#include "cli/report_template.h"
#include "shared/text.h"

// One demo of the run: where its page goes and its index row, once written.
struct PlannedPage {
    std::string demo;
    std::string page;
    std::string href;            // from the index
    std::string listingProblem;  // the demo could not even be listed
    std::string row;             // its index row; "" when the page was not made
    std::string reason;          // why not
};

// The run's plan, made before the batch starts. The workers only read it,
// each writing the row and reason of its own demo; the batch has joined them
// before RunReport reads those.
static std::vector<PlannedPage> plan;
static std::map<std::string, size_t> planned;

// Writes a report: a new file, or in place of one of our own reports. Any
// other file of that name stays as it is.
static bool WriteReportFile(const std::string& path, const std::string& page, char* problem, size_t problemSize)
{
    const unsigned char* bytes = (const unsigned char*)page.data();
    bool existed = false;
    if (CreateFileSafely(path.c_str(), bytes, page.size(), &existed, problem, problemSize))
        return true;
    if (!existed)
        return false;
    std::vector<unsigned char> old;
    char reason[FILE_PROBLEM_SIZE];
    if (!ReadWholeFile(path.c_str(), &old, reason, sizeof reason) || !IsOwnReport(old.data(), old.size())) {
        (void)FormatText(problem, problemSize, "%s exists and is not a report of flickbox-cli; it was left as it is",
                         path.c_str());
        return false;
    }
    return ReplaceFileSafely(path.c_str(), bytes, page.size(), problem, problemSize);
}

static void Fail(const CliOptions& options, const char* path, PlannedPage* item, const char* reason,
                 FileOutcome* outcome)
{
    item->reason = reason;
    ReportFileProblem(options, path, reason, outcome);
}

void WriteReport(const CliOptions& options, const char* path, DemoScratch* scratch, FileOutcome* outcome)
{
    auto found = planned.find(path);
    if (found == planned.end()) {
        ReportFileProblem(options, path, "not planned for a report", outcome);
        return;
    }
    PlannedPage* item = &plan[found->second];
    DecodeScratchDemo(scratch);
    const DemoStructure& structure = scratch->structure;
    if (!structure.headerWhole || strcmp(structure.header.magic, "HLDEMO") != 0) {
        std::string reason = std::string("Not a demo: ") + structure.problem;
        Fail(options, path, item, reason.c_str(), outcome);
        return;
    }
    char date[32];
    FileDateText(path, date, sizeof date);
    ReportDemo demo = {path, date, &structure, &scratch->timeline};
    std::string page;
    BuildReportPage(demo, &page);
    char problem[FILE_PROBLEM_SIZE + PATH_BUFFER_SIZE];
    if (!WriteReportFile(item->page, page, problem, sizeof problem)) {
        Fail(options, path, item, problem, outcome);
        return;
    }
    AppendIndexRow(demo, item->href.c_str(), &item->row);
    outcome->out.append(path);
    outcome->out.append(": report written to ");
    outcome->out.append(item->page);
    outcome->out.push_back('\n');
}

// Where the index goes: the output folder, else the folder given first, else
// the folder of the demo given first.
static std::string IndexFolder(const CliOptions& options)
{
    if (!options.outFolder.empty())
        return options.outFolder;
    const char* first = options.paths[0].c_str();
    return IsFolder(first) ? options.paths[0] : FolderOfPath(first);
}

static void MakePlan(const CliOptions& options, const std::string& indexFolder)
{
    plan.clear();
    planned.clear();
    std::vector<BatchPath> paths;
    ExpandPaths(options.paths, options.recursive, &paths);
    std::set<std::string> pages;
    if (paths.size() > 1)
        pages.insert(JoinPath(indexFolder, "index.html"));  // a demo named index.dem gets index-2.html
    std::set<std::pair<uint64_t, uint64_t>> files;
    for (const BatchPath& path : paths) {
        // The batch works on a file once, however often it is named.
        FileId id;
        bool repeated = path.problem.empty() && ReadFileId(path.path.c_str(), &id)
                            ? !files.insert(std::make_pair(id.volume, id.index)).second
                            : planned.count(path.path) != 0;
        if (repeated)
            continue;
        PlannedPage item;
        item.demo = path.path;
        item.listingProblem = path.problem;
        // Two demos of one name (a.dem and a.DEM, or two folders into one
        // output folder) get a page each.
        std::string page = ReportPagePath(path.path.c_str(), options.outFolder);
        std::string stem = page.substr(0, page.size() - 5);
        for (int n = 2; pages.count(page); n++)
            page = stem + "-" + std::to_string(n) + ".html";
        pages.insert(page);
        item.page = page;
        item.href = RelativeHref(indexFolder, page);
        planned[path.path] = plan.size();
        plan.push_back(item);
    }
}

// The reason a demo got no page: what listing or reading it said.
static std::string UnreadReason(const PlannedPage& item)
{
    if (!item.reason.empty())
        return item.reason;
    if (!item.listingProblem.empty())
        return item.listingProblem;
    std::vector<unsigned char> bytes;
    char problem[FILE_PROBLEM_SIZE];
    if (!ReadWholeFile(item.demo.c_str(), &bytes, problem, sizeof problem))
        return problem;
    return "It could not be read";
}

static bool WriteIndex(const std::string& path)
{
    std::string rows;
    for (const PlannedPage& item : plan) {
        if (item.row.empty())
            AppendUnreadIndexRow(item.demo.c_str(), UnreadReason(item).c_str(), &rows);
        else
            rows.append(item.row);
    }
    std::string page;
    BuildReportIndex(rows, plan.size(), &page);
    char problem[FILE_PROBLEM_SIZE + PATH_BUFFER_SIZE];
    if (!WriteReportFile(path, page, problem, sizeof problem)) {
        WriteError(std::string("flickbox-cli: ") + problem + "\n");
        return false;
    }
    WriteOut("index written to " + path + "\n");
    return true;
}

int RunReport(const CliOptions& options)
{
    char problem[FILE_PROBLEM_SIZE + PATH_BUFFER_SIZE];
    if (!options.outFolder.empty() && !MakeFolder(options.outFolder.c_str(), problem, sizeof problem)) {
        WriteError(std::string("flickbox-cli: ") + problem + "\n");
        return 1;
    }
    std::string indexFolder = IndexFolder(options);
    MakePlan(options, indexFolder);
    int status = RunBatch(options);
    if (status == EXIT_INTERRUPTED)
        return status;
    std::string opened;
    if (plan.size() > 1) {
        std::string index = JoinPath(indexFolder, "index.html");
        if (WriteIndex(index))
            opened = index;
        else
            status = 1;
    } else if (plan.size() == 1 && !plan[0].row.empty()) {
        opened = plan[0].page;
    }
    if (options.openReport && !opened.empty() && !OpenInBrowser(opened.c_str(), problem, sizeof problem)) {
        WriteError(std::string("flickbox-cli: ") + problem + "\n");
        status = 1;
    }
    return status;
}
