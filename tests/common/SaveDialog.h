// Wine's Save dialog (the file dialog behind IFileSaveDialog), worked through its controls;
// from the program's own process or from another one.
#pragma once

#include <windows.h>

#include <string>

constexpr const char* kSaveDialogCaption = "Save";
constexpr int kSaveFileNameEdit = 1152;
constexpr int kSaveFileTypeList = 1136;

// Chooses the type entry `typeIndex` (0-based), types `name` and saves.
void SaveThroughDialog(HWND dialog, const std::string& name, int typeIndex);
