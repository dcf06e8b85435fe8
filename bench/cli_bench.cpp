// Times flickbox-cli info --json over a folder of demos against a baseline
// measured in the same run: reading the same files into one reused buffer and
// one memchr pass over each. Prints the ratio (the target is at most 2), then
// files per second over a folder of small demos. With a folder of real demos,
// also events, info and chat --json over it, each against its own baseline
// (the target is at most 3: they decode every message).
//   flickbox_cli_bench CLI BIG_FOLDER SMALL_FOLDER [REAL_FOLDER]
#include <dirent.h>
#include <fcntl.h>
#include <spawn.h>
#include <stdio.h>
#include <string.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <string>
#include <vector>

extern char** environ;

static const int RUNS = 3;  // the best of three, the machine being shared

// Keeps the baseline's memchr pass from being optimised away.
volatile size_t memchrHits;

static double Now()
{
    timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return (double)now.tv_sec + (double)now.tv_nsec * 1e-9;
}

static std::vector<std::string> DemoPaths(const std::string& folder)
{
    std::vector<std::string> paths;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return paths;
    while (dirent* entry = readdir(dir)) {
        std::string name = entry->d_name;
        if (name.size() > 4 && name.compare(name.size() - 4, 4, ".dem") == 0)
            paths.push_back(folder + "/" + name);
    }
    closedir(dir);
    std::sort(paths.begin(), paths.end());
    return paths;
}

// The baseline: every file read whole into one buffer, then one memchr pass.
static double Baseline(const std::vector<std::string>& paths, unsigned long long* bytesRead)
{
    static std::vector<unsigned char> buffer;
    double start = Now();
    size_t hits = 0;
    *bytesRead = 0;
    for (const std::string& path : paths) {
        int fd = open(path.c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        off_t size = lseek(fd, 0, SEEK_END);
        lseek(fd, 0, SEEK_SET);
        if (buffer.size() < (size_t)size)
            buffer.resize((size_t)size);
        size_t done = 0;
        ssize_t got;
        while (done < (size_t)size && (got = read(fd, buffer.data() + done, (size_t)size - done)) > 0)
            done += (size_t)got;
        close(fd);
        for (const unsigned char* at = buffer.data(); at < buffer.data() + done; at++) {
            at = (const unsigned char*)memchr(at, 0xFE, (size_t)(buffer.data() + done - at));
            if (!at)
                break;
            hits++;
        }
        *bytesRead += done;
    }
    memchrHits = hits;
    return Now() - start;
}

// Runs "CLI command --json folder" with its output thrown away; the wall
// time it took.
static double RunCli(const char* cli, const char* command, const std::string& folder)
{
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_addopen(&actions, 1, "/dev/null", O_WRONLY, 0);
    const char* argv[] = {cli, command, "--json", folder.c_str(), NULL};
    double start = Now();
    pid_t child;
    int status = 1;
    if (posix_spawn(&child, cli, &actions, NULL, (char* const*)argv, environ) == 0)
        waitpid(child, &status, 0);
    double took = Now() - start;
    posix_spawn_file_actions_destroy(&actions);
    if (!WIFEXITED(status) || WEXITSTATUS(status) != 0) {
        fprintf(stderr, "flickbox_cli_bench: %s %s --json %s failed\n", cli, command, folder.c_str());
        return -1;
    }
    return took;
}

// Each command over the real demos, the best of RUNS, against the baseline
// taken just before each run; false when a run failed or a ratio missed.
static bool TimeRealDemos(const char* cli, const std::string& folder)
{
    static const char* const commands[] = {"events", "info", "chat"};
    static const double target = 3.0;
    std::vector<std::string> paths = DemoPaths(folder);
    unsigned long long bytes = 0;
    Baseline(paths, &bytes);
    bool met = true;
    printf("real demos: %zu files, %.0f MiB, all cores\n", paths.size(), (double)bytes / (1 << 20));
    for (const char* command : commands) {
        double baseline = 1e30, took = 1e30;
        for (int run = 0; run < RUNS; run++) {
            baseline = std::min(baseline, Baseline(paths, &bytes));
            double one = RunCli(cli, command, folder);
            if (one < 0)
                return false;
            took = std::min(took, one);
        }
        double ratio = took / baseline;
        printf("  flickbox-cli %-6s --json: %.3f s, baseline %.3f s, ratio %.2fx (target at most %.0fx)\n", command,
               took, baseline, ratio, target);
        met = met && ratio <= target;
    }
    return met;
}

int main(int argc, char** argv)
{
    if (argc != 4 && argc != 5) {
        fprintf(stderr, "usage: flickbox_cli_bench CLI BIG_FOLDER SMALL_FOLDER [REAL_FOLDER]\n");
        return 2;
    }
    std::vector<std::string> big = DemoPaths(argv[2]);
    std::vector<std::string> small = DemoPaths(argv[3]);
    unsigned long long bytes = 0;
    Baseline(big, &bytes);  // warms the page cache for both
    double baseline = 1e30, cli = 1e30, smallCli = 1e30;
    for (int run = 0; run < RUNS; run++) {
        baseline = std::min(baseline, Baseline(big, &bytes));
        double took = RunCli(argv[1], "info", argv[2]);
        double smallTook = RunCli(argv[1], "info", argv[3]);
        if (took < 0 || smallTook < 0)
            return 1;
        cli = std::min(cli, took);
        smallCli = std::min(smallCli, smallTook);
    }
    double ratio = cli / baseline;
    printf("flickbox-cli info --json: %zu demos, %.0f MiB\n", big.size(), (double)bytes / (1 << 20));
    printf("  baseline (read into one buffer + memchr): %.3f s\n", baseline);
    printf("  flickbox-cli info --json:                 %.3f s\n", cli);
    printf("  ratio: %.2fx the baseline (target at most 2x)\n", ratio);
    printf("flickbox-cli info --json: %zu small demos in %.3f s, %.0f files/s\n", small.size(), smallCli,
           (double)small.size() / smallCli);
    bool met = ratio <= 2.0;
    if (argc == 5 && !TimeRealDemos(argv[1], argv[4]))
        met = false;
    return met ? 0 : 1;
}
