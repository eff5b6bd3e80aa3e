// The host side of one filter script run on one picture: the request JSON
// and the callbacks it names.
//
// The script sees the input in both generations: version 8 as
// "SourcePicturePtr" (the loaded picture) and "TargetPicturePtr" (its
// duplicate, the default ResultPicture), version 7 as a "SINGLE" source
// picture whose device-independent bitmaps are made only when the script
// first asks for them ("GetV7Bitmap"), so version 8 scripts pay nothing for
// them. Print and MessageBox texts go to `onMessage`; status texts are
// dropped (a batch has no status bar); SetProgress answers false once a
// hard stop was requested, so scripts that check it can end early.
//
// Not copyable or movable: its address is the request's "HostData". It owns
// the version 7 bitmaps it hands out, which result layers may point into, so
// it must outlive the reading of the result.
#ifndef QFCONSOLE_FILTER_REQUEST_H
#define QFCONSOLE_FILTER_REQUEST_H

#include <atomic>
#include <functional>
#include <string>

#include "host/lib/qfhost.h"

namespace qfconsole {

class FilterRunHost {
public:
    // `source` is the input picture; `hardStop` may be null.
    FilterRunHost(const qfhost::Picture& source, std::function<void(const std::string&)> onMessage,
                  const std::atomic<bool>* hardStop);
    FilterRunHost(const FilterRunHost&) = delete;
    FilterRunHost& operator=(const FilterRunHost&) = delete;

    std::string BuildRequest(const std::string& inputPath, const std::string& scriptPath,
                             const qfhost::Picture& source, const qfhost::Picture& target,
                             const qfhost::Document& document) const;

    // True once the script fetched the version 7 source bitmaps: result
    // layers in the filter context may then point into them.
    bool v7_source_fetched() const { return fetched_; }

private:
    static bool Progress(const void* hostData, int done, int total);
    static void ShowMessage(const void* hostData, const char* text);
    static void SetStatus(const void* hostData, const char* text);
    static bool GetV7Bitmap(const void* hostData, const void* bitmapHandle, void** image, void** alpha);
    static bool GetV7LayerData(const void* hostData, const void* layerHandle, const char** name, int* x, int* y,
                               bool* hidden, unsigned* opacity, void** image, void** alpha);

    const qfhost::Bitmap* sourceBitmap_;
    std::function<void(const std::string&)> onMessage_;
    const std::atomic<bool>* hardStop_;
    qfhost::V7Host v7_;
    bool fetched_ = false;
};

}  // namespace qfconsole

#endif
