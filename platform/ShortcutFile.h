#pragma once

#include <string>
#include <string_view>

// Internet shortcut files (".url"): an INI file whose [InternetShortcut] section holds URL=.
namespace platform {

// True with the URL when the file is an Internet shortcut that names one. CR LF and LF line ends
// are both read; other sections and keys are passed over. Files larger than 16 MiB are not
// shortcuts and are not read whole.
bool LoadShortcutUrl(const std::string& path, std::string& url);

// Saves the URL under the file name, written with CR LF. Over an existing shortcut only its URL
// line is replaced (or added); every other line is kept byte for byte. The file is written beside
// and renamed into place, so a failure leaves the earlier file whole, and a symbolic link of that
// name is replaced, never written through. Returns 0 on success, else an errno value. A URL that
// holds CR, LF or NUL is refused (EINVAL): it would inject lines; so is an empty or blank one,
// which would read back as no URL at all.
int SaveShortcutUrl(const std::string& path, const std::string& url);

// Whether SaveShortcutUrl takes the URL: not blank, no CR, LF or NUL.
bool IsSavableUrl(std::string_view url);

// The two halves of the above that touch no file: the URL a shortcut text names, and the text
// with its URL replaced or added.
bool ParseShortcutUrl(std::string_view content, std::string& url);
std::string WithShortcutUrl(std::string content, const std::string& url);

}  // namespace platform
