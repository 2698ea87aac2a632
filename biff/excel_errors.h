#pragma once
// The error numbers that ExcelFile operations return: 0 for success, otherwise
// the run-time error numbers of the worksheet writer's interface.

#include <cstdint>

namespace tessaly {

enum ExcelError : std::int16_t {
    kExcelOk = 0,
    kExcelOverflow = 6,          // a value does not fit its field
    kExcelTypeMismatch = 13,     // a value cannot become the cell's type
    kExcelDeviceIoError = 57,    // any other input/output failure
    kExcelFileExists = 58,
    kExcelNoOpenFile = 52,       // "bad file number": no file is open
    kExcelDiskFull = 61,
    kExcelPermissionDenied = 70,
    kExcelPathNotFound = 76,
};

// The error number for an input/output failure reported as `errnoValue`.
std::int16_t excelErrorForErrno(int errnoValue);

}  // namespace tessaly
