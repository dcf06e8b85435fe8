// Writes the report page of the made-up demo, for the browser tests and for
// looking at: make_report_sample OUT.html [MINUTES]
#include <stdio.h>
#include <stdlib.h>

#include <string>

#include "cli/report_page.h"
#include "tests/browser/report_sample.h"

int main(int argc, char** argv)
{
    if (argc < 2) {
        fputs("usage: make_report_sample OUT.html [MINUTES]\n", stderr);
        return 2;
    }
    DemoStructure structure;
    DemoTimeline timeline;
    BuildSampleDemo(argc > 2 ? (float)atof(argv[2]) : 10.0f, &structure, &timeline);
    ReportDemo demo = {"sample/hostile.dem", "2024-05-17 11:29", &structure, &timeline};
    std::string page;
    BuildReportPage(demo, &page);
    FILE* file = fopen(argv[1], "wb");
    if (!file || fwrite(page.data(), 1, page.size(), file) != page.size() || fclose(file) != 0) {
        perror(argv[1]);
        return 1;
    }
    return 0;
}
