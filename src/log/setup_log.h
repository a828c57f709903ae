#pragma once
// The setup log (under the local application-data folder) and the Prevault
// log (only where C:\Prevault\Logs exists). Each entry is one timestamped
// message with each "\n" stored as CR LF; the writers add no line end. Neither
// writes through a link planted in the log's folders or at the file.

// Both return 1 when the entry was written, 0 when it was dropped.
int WriteSetupLog(const char* message);
int WritePrevaultLog(const char* message);

// Makes sure both folder levels of the setup log exist; 1 when they do.
int CreateSetupLogFolder();

// A message goes to the setup log, then the Prevault log.
void LogMessage(const char* message);

// Formats a message whose one %x takes the HRESULT, then logs it.
void LogHresult(const char* format, long hr);
