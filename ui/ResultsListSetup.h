// The results list's columns, header, sort kinds and row picture as the main window sets
// them up; tests that need the list as the program shows it use the same.
#pragma once

#include "controls/EnhancedListCtrl.h"

void SetUpResultsList(CEnhancedListCtrl& list);

// Every row shows `icon`; without it the rows go without a picture.
void SetRowPicture(CEnhancedListCtrl& list, HICON icon);
