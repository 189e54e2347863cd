#pragma once

class CVolumePlannerDlg;

// Every box of the main window says what it holds: its unit and convention
// (which way an angle turns, which corner a position counts from).
void SetBoxTooltips(const CVolumePlannerDlg& dialog);
