// What the reader remembers between runs, in a small text file beside the user's catalogs file: the
// window's size and the shelf items that were open, each by its path of labels (UTF-8).
//
//   size 900 600
//   open Bookshelf / Literature
//   open Bookshelf / Literature / Classical Poetry
#pragma once

#include "tavrin/tavrin_ctrl.h"

#include <filesystem>
#include <optional>
#include <string>
#include <vector>

namespace tavrin::reader {

struct ReaderState {
    int width = 0; // 0: not remembered
    int height = 0;
    std::vector<std::string> open; // item paths, parents before children
};

// reader-state.txt in the folder of the user's catalogs file (or $TAVRIN_READER_STATE).
std::filesystem::path ReaderStatePath(const std::filesystem::path& userCatalogs);

// The state in `text`; lines it does not know are passed over, a size out of range is not taken.
ReaderState ParseReaderState(const std::string& text);
std::string FormatReaderState(const ReaderState& state);

// Reads the file; a missing file is the empty state. Nothing, with the reason, when it cannot be read.
std::optional<ReaderState> LoadReaderState(const std::filesystem::path& path, std::string* error);
// Replaces the file whole (atomically); false with the reason.
bool SaveReaderState(const std::filesystem::path& path, const ReaderState& state, std::string* error);

// The paths of the shelf's open items, in the tree's order (contents entries of books left out: they
// are rebuilt when a book opens).
std::vector<std::string> OpenItemPaths(CTavrinCtrl& shelf, HWND tree);
// Opens the items of `paths` that are on the shelf; returns how many were found and opened.
size_t OpenItems(CTavrinCtrl& shelf, HWND tree, const std::vector<std::string>& paths);

// An item's label in UTF-8, and its path of labels from the top.
std::string LabelUtf8(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);
std::string PathUtf8(CTavrinCtrl& shelf, HWND tree, HTREEITEM item);

} // namespace tavrin::reader
