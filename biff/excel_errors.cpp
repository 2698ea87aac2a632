#include "biff/excel_errors.h"

#include <cerrno>

namespace tessaly {

std::int16_t excelErrorForErrno(int errnoValue) {
    switch (errnoValue) {
        case ENOSPC:
        case EDQUOT:
        case EFBIG:
            return kExcelDiskFull;
        case EACCES:
        case EPERM:
        case EROFS:
            return kExcelPermissionDenied;
        case ENOENT:
        case ENOTDIR:
            return kExcelPathNotFound;
        case EEXIST:
            return kExcelFileExists;
        default:
            return kExcelDeviceIoError;
    }
}

}  // namespace tessaly
