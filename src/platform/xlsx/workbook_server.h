// Our own spreadsheet server: answers the automation calls of the spreadsheet
// output and writes an Office Open XML workbook (.xlsx) with libxlsxwriter.
//
// Objects and members (names compare without regard to case):
//   application: Workbooks, Quit, Visible (get: always 0, it never shows)
//   Workbooks:   Add (one workbook at a time)
//   workbook:    WorkSheets(1), SaveAs(Filename:=...), close
//   worksheet:   Cells(row, column)
//   cell:        Value (put: text or integer), VerticalAlignment,
//                HorizontalAlignment (put: the server's alignment numbers)
//
// Cells stream row by row: one row is held until a later row is reached, and a
// call that goes back to an earlier row is refused. A text with a leading
// apostrophe is stored without it; a text with line feeds wraps, one line per
// line feed; every text stays a text, integers are numbers. SaveAs replaces the
// target only with a complete workbook.
#pragma once

#include <memory>
#include <string>

#include "platform/automation.h"

namespace tamsel {

// The registered name of the server.
inline constexpr const char* ExcelApplication = "Excel.Application";

// Starts a server whose working files go to tempFolder (empty: the system's).
std::unique_ptr<AutomationServer> startWorkbookServer(const std::string& tempFolder = {});

// Registers the server under "Excel.Application".
void addWorkbookServer(ServerRegistry& registry, std::string tempFolder = {});

}  // namespace tamsel
