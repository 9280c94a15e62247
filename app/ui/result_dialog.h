// The result dialog of a finished benchmark run and the About dialog.
#pragma once

// Shows the result of the finished benchmark (g_run_result, g_frame_stats, g_system_info,
// g_sensor_readings). Without a display (headless runs) prints the dialog's texts to standard
// output instead, among them "SCORE: %d points, time: %d ms".
void ShowResultDialog();
// The About dialog (from the startup dialog and the render window's menu).
void ShowAboutDialog();
