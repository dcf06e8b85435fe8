#include "cli/report_paths.h"

#include <string.h>

#include <vector>

#include "cli/cli_paths.h"

static bool IsSeparator(char c)
{
    return c == '/' || c == '\\';
}

std::string FolderOfPath(const char* path)
{
    const char* cut = NULL;
    for (const char* at = path; *at; at++) {
        if (IsSeparator(*at))
            cut = at;
    }
    if (!cut)
        return ".";
    if (cut == path)
        return std::string(path, 1);
    return std::string(path, (size_t)(cut - path));
}

std::string JoinPath(const std::string& folder, const char* name)
{
    if (folder.empty())
        return name;
    if (IsSeparator(folder.back()))
        return folder + name;
    char separator = folder.find('\\') != std::string::npos ? '\\' : '/';
    return folder + separator + name;
}

std::string ReportPagePath(const char* demoPath, const std::string& folder)
{
    std::string page = demoPath;
    if (!folder.empty()) {
        const char* name = demoPath;
        for (const char* at = demoPath; *at; at++) {
            if (IsSeparator(*at))
                name = at + 1;
        }
        page = JoinPath(folder, name);
    }
    if (HasDemoEnding(page.c_str()))
        page.resize(page.size() - 4);
    return page + ".html";
}

// The root ("/", "C:", "" for a relative path) and the names after it,
// without "." and empty ones.
static std::string SplitPath(const std::string& path, std::vector<std::string>* names)
{
    std::string root;
    size_t at = 0;
    if (path.size() >= 2 && path[1] == ':') {
        root = path.substr(0, 2);
        at = 2;
    }
    if (at < path.size() && IsSeparator(path[at]))
        root += "/";
    names->clear();
    std::string name;
    for (size_t i = at; i <= path.size(); i++) {
        if (i == path.size() || IsSeparator(path[i])) {
            if (!name.empty() && name != ".")
                names->push_back(name);
            name.clear();
        } else {
            name.push_back(path[i]);
        }
    }
    for (char& c : root)
        c = (char)(c >= 'a' && c <= 'z' ? c - 'a' + 'A' : c);
    return root;
}

std::string RelativeHref(const std::string& folder, const std::string& target)
{
    std::vector<std::string> from, to;
    if (SplitPath(folder, &from) != SplitPath(target, &to) || to.empty())
        return target;
    size_t common = 0;
    while (common < from.size() && common + 1 < to.size() && from[common] == to[common])
        common++;
    std::string href;
    for (size_t i = common; i < from.size(); i++) {
        // Climbing out of ".." would need the folders the path does not name.
        if (from[i] == "..")
            return target;
        href += "../";
    }
    for (size_t i = common; i < to.size(); i++) {
        href += to[i];
        if (i + 1 < to.size())
            href += "/";
    }
    return href;
}
