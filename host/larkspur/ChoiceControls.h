// The selection rules the pages share for their lists and radio groups.
#pragma once

#include <QButtonGroup>
#include <QComboBox>
#include <string_view>

// Selects the first entry whose text begins with `name`, case ignored, searching from entry 1
// and trying entry 0 last. An empty name, or one that no entry begins with, selects nothing and
// keeps the list's selection; the result says which.
bool SelectByPrefix(QComboBox& list, std::wstring_view name);

// Checks the group's button `id` alone; an id of no button leaves every button unchecked.
void ShowChoice(QButtonGroup& group, int id);
