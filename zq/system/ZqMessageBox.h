// A formatted, modal message box with an OK button and no owner window, for fatal errors and
// diagnostics. Formats like zqSprintf (text beyond 1023 characters is cut). On a machine
// without display the text goes to standard error instead. Any thread.
#pragma once

void zqMessageBox(const char16_t* caption, const char16_t* format, ...);
