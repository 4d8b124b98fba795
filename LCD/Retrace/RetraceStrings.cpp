// The Retrace mode's texts, the empty lists' by category: ids 101..104 Simplified Chinese,
// 201..204 Traditional Chinese, 301..304 English, 401..404 Japanese. Every text stands as the
// handset shows it, blanks and all.
#include "LCD/Retrace/RetraceStrings.h"

namespace {

constexpr StringEntry kEntries[] = {
    {101, L"  没有已拨电话  "},      {102, L"  没有已接来电  "}, {103, L"  没有未接来电  "},
    {104, L"  没有通话记录  "},      {201, L"  沒有已撥電話  "}, {202, L"  沒有已接來電  "},
    {203, L"  沒有未接來電  "},      {204, L"  沒有通話記錄  "}, {301, L"No Dialled Call "},
    {302, L"No Received Call"},      {303, L"No Missed Call  "}, {304, L"    No Calls    "},
    {401, L"  発信履歴無し"},        {402, L"  着信履歴無し"},   {403, L"  未応答履歴無し"},
    {404, L"    通話履歴無し     "},
};

}  // namespace

const StringTable kRetraceStrings{kEntries};
