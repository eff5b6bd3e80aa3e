// The input files of a batch, in the order they are handed to the workers.
//
// FILE    the named files, as given (missing ones fail when processed).
// FOLDER  every *.png file (any case) in the folder, sorted by path; with
//         SearchSubfolder also those in its subfolders (symbolic links to
//         folders are not followed). Folders that receive this batch's own
//         output are left out, so a second run does not process its outputs.
// LIST    one path per line of a UTF-8 text file (a byte-order mark, blank
//         lines, surrounding spaces and carriage returns are ignored);
//         relative lines are taken against the list file's folder.
// SERIAL  the first file of a numbered series and every file in its folder
//         whose name differs from it only in a larger number (see ListSerial).
// Every path is absolute; a path listed twice is processed once.
#ifndef QFCONSOLE_INPUT_LISTING_H
#define QFCONSOLE_INPUT_LISTING_H

#include <string>
#include <vector>

#include "host/console/batch_description.h"

namespace qfconsole {

struct InputFile {
    std::string path;
    // FOLDER input: the folder below InputFolder that holds the file ("" at
    // its top), recreated below an output folder. Empty for other inputs.
    std::string relativeFolder;
};

// Returns an empty text on success, else why the input cannot be listed
// (a missing folder, list file or first serial file).
std::string ListInputs(const BatchDescription& description, std::vector<InputFile>* inputs);

// The pieces, for tests. `excludedSubPath` (relative, may be empty) names
// output folders to leave out: any folder that is <an ancestor or the
// folder itself>/<excludedSubPath>; `excludedFolder` one more folder.
std::string ListFolder(const std::string& folder, bool recursive, const std::string& excludedFolder,
                       const std::string& excludedSubPath, std::vector<InputFile>* inputs);
std::string ReadListFile(const std::string& listFile, std::vector<InputFile>* inputs);
// "scan_007.png" is split at the last run of digits in its stem into
// "scan_", "007" and ".png". The series are the files of that folder with
// the same text before and after the number and a number of at least 7;
// when the first number has leading zeros the others must have as many
// digits ("scan_010.png"), otherwise none may have a leading zero
// ("scan_7.png" ... "scan_12.png"). They come in numeric order; gaps are
// allowed.
std::string ListSerial(const std::string& firstFile, std::vector<InputFile>* inputs);

}  // namespace qfconsole

#endif
