#include "platform/file_error.h"

#include <cerrno>
#include <cstring>

namespace celshift {

FileError errorFromErrno(int errnoValue) {
    FileError error{FileProblem::Other, errnoValue, errnoValue != 0 ? std::strerror(errnoValue) : ""};
    switch (errnoValue) {
    case ENOENT:
        error.problem = FileProblem::NotFound;
        break;
    case ENOTDIR:
        error.problem = FileProblem::NotAFolderOnPath;
        break;
#ifdef ELOOP
    case ELOOP:
        error.problem = FileProblem::LinkLoop;
        break;
#endif
    case EACCES:
    case EPERM:
        error.problem = FileProblem::AccessDenied;
        break;
    case ENOSPC:
#ifdef EDQUOT
    case EDQUOT:
#endif
    case EFBIG:
        error.problem = FileProblem::NoSpace;
        break;
    case EROFS:
        error.problem = FileProblem::ReadOnly;
        break;
    case ENAMETOOLONG:
        error.problem = FileProblem::NameTooLong;
        break;
    case EISDIR:
        error.problem = FileProblem::FolderInTheWay;
        break;
    case EBUSY:
#ifdef ETXTBSY
    case ETXTBSY:
#endif
        error.problem = FileProblem::InUse;
        break;
    default:
        break;
    }
    return error;
}

}  // namespace celshift
