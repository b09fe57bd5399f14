#include "drawing/job_sheet.h"

#include "app/session.h"
#include "common/text_file.h"

namespace chromaflow {

void writeJobSheet(const Session& session, const std::string& path) {
  (void)session;
  throw FileError(path + " : la fiche de chantier PDF n'est pas encore écrite");
}

}  // namespace chromaflow
