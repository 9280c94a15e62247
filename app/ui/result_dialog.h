// The result dialog of a finished benchmark run and the About dialog.
#pragma once

class RunSession;
struct RunReport;

// Shows the result of the finished benchmark `run` (its settings and result, with
// g_system_info and g_sensor_readings); `report` is the run's report, whose measuring windows
// the dialog charts. Without a display (headless runs) prints the dialog's texts to standard
// output instead, among them "SCORE: %d points, time: %d ms".
void ShowResultDialog(const RunSession& run, const RunReport& report);
// The About dialog (from the startup dialog and the render window's menu).
void ShowAboutDialog();
