// The help page the program carries in its resources, shown in the browser like an HTML
// report: written to the user's temporary folder first, then opened from there.
#pragma once

#include <string>

struct HyperLinkPlatform;

// The page's file name in the temporary folder.
constexpr char kHelpPageFileName[] = "vantrel-help.html";

// `kHelpPageFileName` in the user's temporary folder; empty when the system names none.
std::string HelpPagePath();

// Writes the page whole into a new file of its own beside `path` (an HTML name), created
// exclusively, which then replaces whatever `path` names (a planted link is replaced, never
// written through). Returns the file that holds the page: `path`, or the new file where `path`
// cannot be replaced (another user's file, a folder, a page a browser holds); empty when
// nothing could be written. Such files of earlier calls beside `path` are deleted.
std::string WriteHelpPage(const std::string& path);

// What the help link opens its address with: the page written there, then the browser.
HyperLinkPlatform HelpPageLinkPlatform();
