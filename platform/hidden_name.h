#pragma once
// The names of the hidden files that outputs wait under for a moment: for platform/ alone.

#include <cstddef>
#include <cstdint>
#include <functional>
#include <span>
#include <string>
#include <string_view>

#include "platform/folder.h"

// A fresh name beside `target` that nobody can guess in advance: ".pictavex-" and 16
// hexadecimal digits.
std::string HiddenName(const std::string& target);
// The same for a name, in its folder.
FileName HiddenNameBeside(const FileName& target);
// Whether a directory entry has that form.
bool IsHiddenName(std::string_view name);
// Whether the first bytes of a file are those of a BMP or a PNG file: what a hidden file
// holds once a run has written into it.
bool BeginsAsPicture(std::span<const std::uint8_t> start);
// How many bytes BeginsAsPicture looks at.
inline constexpr std::size_t kPictureStartBytes = 8;
// Files that must outlast any cleanup, by their identity (device and inode, or volume and
// file ID, as text): drawings of this run that happen to have a hidden file's name.
void KeepIdentity(std::string identity);
bool IsKeptIdentity(const std::string& identity);
// What tells the folder a file lies in from any other: its identity when held open, else the
// folder's path ("." for a bare name).
std::string FolderKeyOf(const FileName& file);
// Runs `scan` the first time a run asks about a folder, and never again: abandoned hidden
// files are looked for once. Every caller waits until the scan is over, so that none of the
// run's own hidden files is made in a folder while it is being scanned.
void ScanFolderOnce(const std::string& folder, const std::function<void()>& scan);
