#pragma once
// The job sheet: the job record as a PDF a client can read. The project's name and user text; at
// its head the verdict, whether the proportion laid stayed within the tolerance the session judges
// at; the wall drawn in the colours the mix gives, per surface what the plan asked and what was
// laid, the proportion asked against the proportion laid along the path with the stretches out of
// tolerance shaded, the totals asked and delivered, and last the correction's indicators under a
// heading of their own, one row per kind.

#include <QByteArray>
#include <string>
#include <vector>

namespace chromaflow {

class JobRecord;
class Session;
struct StoredJob;
struct JobVerdict;

// What the sheet says of a job besides its record.
struct JobSheetText {
  std::string project;                // the project's file name, without its folder
  std::vector<std::string> userText;  // the project's text, line by line
  std::string painted;                // a kept job's machine, date and state; empty for the job on screen
};

// The sheet of a kept job: its project, the first line of its text, and where, when and how it
// was painted ("Peint sur atelier1 le 03/05/2024 à 14:12 (interrompu)"), in local time.
JobSheetText keptJobSheetText(const StoredJob& job);

// The sheet's PDF, as writeJobSheet writes it; throws FileError if it cannot be drawn. Needs a
// GUI application (the fonts).
QByteArray jobSheetBytes(const JobRecord& record, const JobVerdict& verdict, const JobSheetText& text,
                         const Session* wall);

// Written whole or not at all; throws FileError naming the file. The wall is drawn from the
// plan of `wall`'s session when one is given (a kept job has no plan with it).
void writeJobSheet(const JobRecord& record, const JobVerdict& verdict, const JobSheetText& text, const Session* wall,
                   const std::string& path);
// The session's job, judged at its tolerance, its wall drawn from its plan.
void writeJobSheet(const Session& session, const std::string& path);

}  // namespace chromaflow
