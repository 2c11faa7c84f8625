#pragma once

#include <string>

namespace torven {

// Why the port number could not be stored, as the port dialog's warning explains it. The file
// services only classify what went wrong and pass on the system's words; the wording is chosen
// here.
struct SaveFault {
    enum class Kind {
        TextTooLong,     // the port text is longer than a start reads back whole
        NoFolder,        // there is no folder to keep the file in
        NotARegularFile, // a link, a folder or a device has the file's name
        NoWriteAccess,   // this user may not write there
        DiskFull,        // no room left on the disk, or in the user's quota
        InputOutput,     // the disk failed to take the data
        WriteFailed,     // any other failure to write, flush or rename
    };

    Kind kind = Kind::WriteFailed;
    std::string path;        // the file, as the system writes its name
    std::string systemWords; // the system's own report, untranslated; may be empty
};

// The explanation, in Russian, to follow "could not store the port number:".
std::string saveFaultText(const SaveFault& fault);

// "Не удалось сохранить номер порта: …": the port dialog's warning when the save was refused.
std::string portNotSavedText(const SaveFault& fault);

} // namespace torven
