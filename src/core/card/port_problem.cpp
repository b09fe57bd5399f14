#include "core/card/port_problem.h"

#include <cerrno>

namespace chromaflow {

const char* problemName(PortProblem problem) {
  switch (problem) {
    case PortProblem::NoDevice: return "aucun périphérique";
    case PortProblem::PermissionRefused: return "permission refusée";
    case PortProblem::Busy: return "port occupé";
    case PortProblem::NotSupported: return "non disponible sur ce système";
    case PortProblem::NoPortAtAddress: return "aucun port à cette adresse";
    case PortProblem::Failed: break;
  }
  return "erreur du système";
}

PortProblem problemOfErrno(int error) {
  switch (error) {
    case ENOENT:
    case ENODEV:
    case ENXIO: return PortProblem::NoDevice;
    case EACCES:
    case EPERM:
    case EROFS: return PortProblem::PermissionRefused;
    case EBUSY:
    case EAGAIN: return PortProblem::Busy;
    case ENOSYS:
    case ENOTTY:
    case EINVAL: return PortProblem::NotSupported;
    default: return PortProblem::Failed;
  }
}

}  // namespace chromaflow
