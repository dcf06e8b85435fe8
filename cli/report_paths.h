#pragma once
// Where the report command puts its pages and how the index links to them.
// Pure: paths are text here, with "/" or "\" as separators.

#include <string>

// NAME.dem gives NAME.html, beside it or, when folder is not empty, in folder.
std::string ReportPagePath(const char* demoPath, const std::string& folder);

// The folder part of a path ("." for a bare name).
std::string FolderOfPath(const char* path);

// folder/name, with the separator the folder already uses.
std::string JoinPath(const std::string& folder, const char* name);

// The link from a page in folder to the file at target: a relative path when
// both are relative or both absolute on the same root, else target itself.
std::string RelativeHref(const std::string& folder, const std::string& target);
