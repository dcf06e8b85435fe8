#pragma once
// Where the real recordings are: the folder FLICKBOX_DEMO_CORPUS names, else
// the shared demo folder beside the checkout when it exists. Tests that need
// them skip, with a line naming the variable, when there is none.

#include <ctype.h>
#include <dirent.h>
#include <stdlib.h>
#include <sys/stat.h>

#include <algorithm>
#include <string>
#include <vector>

#include "gtest/gtest.h"

#ifndef FLICKBOX_DEFAULT_DEMO_CORPUS
#define FLICKBOX_DEFAULT_DEMO_CORPUS ""
#endif

#define DEMO_CORPUS_SKIP_TEXT \
    "no real demos: set FLICKBOX_DEMO_CORPUS to a folder of .dem files to run this test"

inline bool IsFolder(const std::string& path)
{
    struct stat info;
    return !path.empty() && stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFDIR);
}

inline bool IsFile(const std::string& path)
{
    struct stat info;
    return stat(path.c_str(), &info) == 0 && (info.st_mode & S_IFREG);
}

// The corpus folder as this program opens it, or "" when there is none. Under
// Wine a POSIX path is reached through drive Z:.
inline std::string DemoCorpusFolder()
{
    const char* chosen = getenv("FLICKBOX_DEMO_CORPUS");
    std::string folder = chosen && *chosen ? chosen : FLICKBOX_DEFAULT_DEMO_CORPUS;
#ifdef _WIN32
    if (!folder.empty() && folder[0] == '/')
        folder = "Z:" + folder;
#endif
    return IsFolder(folder) ? folder : std::string();
}

inline std::string DemoCorpusPath(const char* name)
{
    return DemoCorpusFolder() + "/" + name;
}

// The names of the corpus folder's .dem files, in any letter case, sorted.
inline std::vector<std::string> DemoCorpusNames()
{
    std::vector<std::string> names;
    DIR* folder = opendir(DemoCorpusFolder().c_str());
    if (!folder)
        return names;
    while (dirent* entry = readdir(folder)) {
        std::string name = entry->d_name;
        std::string ending = name.size() > 4 ? name.substr(name.size() - 4) : "";
        std::transform(ending.begin(), ending.end(), ending.begin(), [](unsigned char c) { return (char)tolower(c); });
        if (ending == ".dem" && IsFile(DemoCorpusPath(name.c_str())))
            names.push_back(name);
    }
    closedir(folder);
    std::sort(names.begin(), names.end());
    return names;
}

// Skips the running test when there is no corpus folder, or one without a
// single demo: a test over every demo must not pass having read none.
#define REQUIRE_DEMO_CORPUS()                                                \
    do {                                                                     \
        if (DemoCorpusFolder().empty())                                      \
            GTEST_SKIP() << DEMO_CORPUS_SKIP_TEXT;                           \
        if (DemoCorpusNames().empty())                                       \
            GTEST_SKIP() << "the demo corpus " << DemoCorpusFolder()         \
                         << " holds no .dem files; " DEMO_CORPUS_SKIP_TEXT;  \
    } while (0)

// Skips the running test when the corpus lacks the named recording.
#define REQUIRE_CORPUS_DEMO(name)                                                         \
    do {                                                                                  \
        REQUIRE_DEMO_CORPUS();                                                            \
        if (!IsFile(DemoCorpusPath(name)))                                                \
            GTEST_SKIP() << "the demo corpus " << DemoCorpusFolder() << " has no " << (name); \
    } while (0)
