// The host side of version 7 requests: the two callbacks "GetV7Bitmap" and
// "GetV7LayerData" and the bitmaps they hand out.
//
// A V7Host holds the source of one request: a flat ("SINGLE") picture,
// a list of layers (name, position, hidden flag, opacity, image, alpha), or
// both. It owns every DIB it hands out (the engine never frees host bitmaps)
// and frees them when it is destroyed, so it must outlive the reading of a
// result that names its bitmaps (CreateCopyLayer reports the host's own
// bitmaps). Its address is the request's "HostData"; the handles are the
// addresses of its records. Not copyable or movable for that reason.
//
// Typical use:
//   qfhost::V7Host v7;
//   v7.SetSinglePicture(*bitmap);         // or v7.AddLayer({...}, *bitmap)
//   v7.AddToRequest(&requestObject);      // HostData, SourcePicture,
//                                         // V7Layers and both callbacks
#ifndef QFHOST_V7_HOST_H
#define QFHOST_V7_HOST_H

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include <picojson.h>

#include "host/lib/dib_block.h"
#include "qfjs/dib.h"

namespace qfhost {

class Bitmap;

struct V7LayerInfo {
    std::string name;
    int x = 0;
    int y = 0;
    bool hidden = false;
    unsigned opacity = 100;
};

class V7Host {
public:
    V7Host() = default;
    ~V7Host() = default;
    V7Host(const V7Host&) = delete;
    V7Host& operator=(const V7Host&) = delete;

    // The flat source picture, converted with BitmapToDib, or given as DIBs
    // (alpha may be empty). False when the conversion runs out of memory or
    // the image is empty. Replaces an earlier one (whose DIBs stay alive
    // until the V7Host goes, in case the engine still points at them).
    bool SetSinglePicture(const Bitmap& bitmap);
    bool SetSinglePictureDibs(DibBlock image, DibBlock alpha);
    // Appends a layer; its index in "V7Layers", or -1.
    int AddLayer(const V7LayerInfo& info, const Bitmap& bitmap);
    int AddLayerDibs(const V7LayerInfo& info, DibBlock image, DibBlock alpha);

    // Request pieces. "SourcePicture" is {"Type": "SINGLE", "Bitmap":
    // {"Handle": "<decimal>"}} when a flat picture is set, else
    // {"Type": "LAYER"}; "V7Layers" lists the layer handles.
    picojson::value SourcePictureJson() const;
    picojson::value V7LayersJson() const;
    std::string HostDataString() const;
    static std::string BitmapProcString();
    static std::string LayerDataProcString();
    // Sets "HostData", "SourcePicture", "GetV7Bitmap", "GetV7LayerData" and,
    // when there are layers, "V7Layers".
    void AddToRequest(picojson::object* request) const;

    // The callbacks (hostData is the V7Host). Unknown handles, and a null
    // hostData, leave the out-values as the engine preset them and answer
    // false.
    static bool GetV7Bitmap(const void* hostData, const void* bitmapHandle, void** image, void** alpha);
    static bool GetV7LayerData(const void* hostData, const void* layerHandle, const char** name, int* x,
                               int* y, bool* hidden, unsigned* opacity, void** image, void** alpha);

    // Inspection for tests.
    const void* single_handle() const { return single_.empty() ? nullptr : single_.back().get(); }
    const void* layer_handle(int index) const;
    BITMAPINFO* single_image() const;
    BITMAPINFO* single_alpha() const;
    BITMAPINFO* layer_image(int index) const;
    BITMAPINFO* layer_alpha(int index) const;
    int layer_count() const { return static_cast<int>(layers_.size()); }
    // Callback calls in order: "GetV7Bitmap(picture)", "GetV7LayerData(2)",
    // with "unknown" for a handle that is not ours.
    const std::vector<std::string>& calls() const { return calls_; }
    void ClearCalls() { calls_.clear(); }
    // DIB blocks this host holds.
    std::size_t live_blocks() const;
    // True when no block's guard was overwritten and every header still
    // reads as it was made (scripts change pixels, never headers).
    bool BlocksIntact() const;

private:
    struct Dibs {
        DibBlock image;
        DibBlock alpha;
        BITMAPINFOHEADER imageHeader{};
        BITMAPINFOHEADER alphaHeader{};
    };
    struct LayerRecord {
        V7LayerInfo info;
        Dibs dibs;
    };
    static bool Intact(const Dibs& dibs);
    static Dibs Adopt(DibBlock image, DibBlock alpha);

    std::vector<std::unique_ptr<Dibs>> single_;  // the last one is current
    std::vector<std::unique_ptr<LayerRecord>> layers_;
    std::vector<std::string> calls_;
};

}  // namespace qfhost

#endif
