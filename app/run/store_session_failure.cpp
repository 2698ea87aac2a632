#include "app/run/store_session_failure.h"

#ifndef TESSALY_DOC_DIR
#define TESSALY_DOC_DIR "/usr/share/doc/tessaly"
#endif

namespace tessaly {

std::string storeSessionFailureText(const std::string& cause) {
    return "Outlook Session Creation Error !\r\n" + cause +
           "\r\n"
           "For help, see Troubleshooting in the README: file://" TESSALY_DOC_DIR "/README.md#troubleshooting";
}

}  // namespace tessaly
