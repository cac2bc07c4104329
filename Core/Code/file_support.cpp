#include "file_support.h"

#include "platform/file_read.h"
#include "platform/process.h"

int32_t IS_FILE(const std::string& SOMEPATHTOTEST) {
    ROUTINE("File Support", "IS_FILE");
    return file_readable(SOMEPATHTOTEST) ? -1 : 0;
}

int32_t IS_DIR(const std::string& SOMEPATHTOTEST) {
    ROUTINE("File Support", "IS_DIR");
    const std::string WHEREWECALL = dir_current();
    int32_t RESULT = dir_change(SOMEPATHTOTEST);
    dir_change(WHEREWECALL);
    return RESULT == 0 ? 0 : -1;
}
