// How a save that did not reach the disk is reported: the warning box shows TipText 6
// followed by the file's name, and standard error gets the file and the reason, for
// whoever runs the program from a terminal or reads the journal.
#pragma once

#include <string>

namespace ini {
class Batch;
}

// Reports that `file` could not be written. The reason is the last write error of the
// calling thread (ini::LastWriteError) unless one is given.
void ReportSaveFailure(const std::string& file, const std::string& reason = {});

// Commits the batch and reports its file when that fails; returns the commit's result.
bool CommitOrReport(ini::Batch& batch);

// ReportSaveFailure when `saved` is false; returns `saved`.
bool ReportUnlessSaved(bool saved, const std::string& file);
