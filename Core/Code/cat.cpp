#include "file_support.h"
#include "platform/file_read.h"
#include "platform/process.h"

void CAT(Array<std::string>& FILES, const std::string& PATH) {
    ROUTINE("Cat", "CAT");
    FILES.erase();
    for (std::string& name : dir_list_files(PATH)) FILES.push_back(std::move(name));
}
