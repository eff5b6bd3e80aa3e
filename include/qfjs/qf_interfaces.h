// Host object interfaces of the QuillFrame script engine.
//
// The host implements these abstract classes; the engine only calls them.
// Calls land by position in the virtual table, so the declaration order below
// is the binary contract between the engine and the separately built host.
// Operations marked "reserved" are never called by the engine; they hold their
// place in that contract and must stay where they are.
//
// Ownership: every object is created, owned and destroyed by the host. The
// engine never deletes or releases a pointer it receives (the one release call
// is IQFJSFactory::Release when a filter context is destroyed). A pointer the
// engine received must stay valid at least until the execution that obtained
// it has returned its result to the host.
//
// Text is UTF-8 without embedded NUL bytes. A null pointer result means "none"
// (no such element, a rejected index, a failed operation). Indices are passed
// through unchecked; the host validates them.
#ifndef QFJS_QF_INTERFACES_H
#define QFJS_QF_INTERFACES_H

#include <string>

class IQFBitmap;
class IQFLayer;
class IQFAniFrame;
class IQFPicture;
class IQFDocument;

// Common base of bitmaps, pictures, layers, frames and the document.
class IQFObject {
public:
    // reserved: holds a place in the binary contract; never called by the engine.
    virtual void ReservedObject0() = 0;
    // True when `other` (an object of the same interface) stands for the same
    // host object or has equal content, as the host defines it.
    virtual bool Equals(IQFObject* other) = 0;
    // A JSON text describing the object.
    virtual std::string Jsonize() = 0;

protected:
    // Not deleted through this interface: the host owns its objects.
    ~IQFObject() = default;
};

// A raster image. Channels R, G, B, A travel as doubles, a pixel's palette
// index as int, palette entries as int per channel. Value ranges and pixel
// type texts are the host's.
class IQFBitmap : public IQFObject {
public:
    virtual int GetWidth() = 0;
    virtual int GetHeight() = 0;
    virtual bool IsIndexColor() = 0;
    virtual void SetIndexColor(bool indexColor) = 0;
    virtual bool HasAlpha() = 0;
    virtual void SetHasAlpha(bool hasAlpha) = 0;
    virtual int GetPaletteCount() = 0;
    virtual void SetPaletteCount(int count) = 0;
    virtual std::string GetPixelType() = 0;
    virtual IQFBitmap* Duplicate() = 0;
    // reserved: holds a place in the binary contract; never called by the engine.
    virtual void ReservedBitmap0() = 0;
    // `source` may be null (a picture without a bitmap was passed).
    virtual void Overlay(IQFBitmap* source, int x, int y) = 0;
    // A new bitmap; this one is not changed. `method` may be empty.
    virtual IQFBitmap* Resize(int width, int height, const char* method) = 0;
    // A new bitmap of a region; this one is not changed.
    virtual IQFBitmap* Clip(int a, int b, int c, int d) = 0;
    virtual int GetPaletteR(int index) = 0;
    virtual int GetPaletteG(int index) = 0;
    virtual int GetPaletteB(int index) = 0;
    virtual int GetPaletteA(int index) = 0;
    virtual void SetPaletteR(int index, int value) = 0;
    virtual void SetPaletteG(int index, int value) = 0;
    virtual void SetPaletteB(int index, int value) = 0;
    virtual void SetPaletteA(int index, int value) = 0;
    virtual double GetPixelR(int x, int y) = 0;
    virtual double GetPixelG(int x, int y) = 0;
    virtual double GetPixelB(int x, int y) = 0;
    virtual double GetPixelA(int x, int y) = 0;
    virtual int GetPixelI(int x, int y) = 0;
    virtual void SetPixelR(int x, int y, double value) = 0;
    virtual void SetPixelG(int x, int y, double value) = 0;
    virtual void SetPixelB(int x, int y, double value) = 0;
    virtual void SetPixelA(int x, int y, double value) = 0;
    virtual void SetPixelI(int x, int y, int index) = 0;
    // Each channel arrives through a pointer that is null when the script did
    // not give it. Exactly one combination is passed: only `index`; r, g, b;
    // or r, g, b, a. The values live only for the duration of the call.
    virtual void SetPixel(int x, int y, const double* r, const double* g, const double* b,
                          const double* a, const int* index) = 0;

protected:
    ~IQFBitmap() = default;
};

// One picture: "SINGLE" (one bitmap), "LAYER" (a layer tree on a canvas) or
// "ANIMATION" (frames on a canvas), optionally with mipmaps.
class IQFPicture : public IQFObject {
public:
    virtual std::string GetType() = 0;
    virtual void SetType(const std::string& type) = 0;  // upper-cased by the engine
    virtual IQFBitmap* GetBitmap() = 0;
    virtual void SetBitmap(IQFBitmap* bitmap) = 0;
    virtual int GetCanvasWidth() = 0;
    virtual void SetCanvasWidth(int width) = 0;
    virtual int GetCanvasHeight() = 0;
    virtual void SetCanvasHeight(int height) = 0;
    virtual int GetLayerCount() = 0;
    virtual int GetAniFrameCount() = 0;
    virtual IQFLayer* GetCurrentLayer() = 0;
    virtual IQFAniFrame* GetCurrentAniFrame() = 0;
    virtual int GetMipmapLevel() = 0;
    virtual std::string GetPixelType() = 0;
    virtual IQFPicture* Duplicate() = 0;
    virtual IQFLayer* GetLayer(int index) = 0;
    virtual IQFAniFrame* GetAniFrame(int index) = 0;
    virtual bool RemoveLayer(int index) = 0;
    virtual bool InsertLayer(int index, IQFLayer* layer) = 0;
    virtual bool AddLayer(IQFLayer* layer) = 0;
    virtual IQFLayer* GetParentLayer(IQFLayer* layer) = 0;
    // `settings` is a compact JSON text or the empty string.
    virtual IQFPicture* ApplyFilter(const char* name, const char* settings) = 0;
    virtual IQFBitmap* GetMipmap(int level) = 0;
    virtual bool RemoveAniFrame(int index) = 0;
    virtual IQFAniFrame* InsertAniFrame(int index) = 0;
    virtual IQFAniFrame* AddAniFrame() = 0;

protected:
    ~IQFPicture() = default;
};

// One node of a layer tree: a "FOLDER" with children or a "BITMAP" layer.
class IQFLayer : public IQFObject {
public:
    virtual std::string GetType() = 0;
    virtual void SetType(const std::string& type) = 0;  // upper-cased by the engine
    virtual IQFBitmap* GetBitmap() = 0;
    virtual void SetBitmap(IQFBitmap* bitmap) = 0;
    virtual std::string GetName() = 0;
    virtual void SetName(const std::string& name) = 0;
    virtual int GetX() = 0;
    virtual void SetX(int x) = 0;
    virtual int GetY() = 0;
    virtual void SetY(int y) = 0;
    virtual int GetOpacity() = 0;
    virtual void SetOpacity(int opacity) = 0;
    virtual bool GetHidden() = 0;
    virtual void SetHidden(bool hidden) = 0;
    virtual int GetChildCount() = 0;
    virtual IQFLayer* GetChild(int index) = 0;
    virtual bool RemoveChild(int index) = 0;
    virtual bool InsertChild(int index, IQFLayer* layer) = 0;
    virtual bool AddChild(IQFLayer* layer) = 0;

protected:
    ~IQFLayer() = default;
};

// One animation frame: a bitmap and a display time, held either as seconds
// (time type 0: SecNumerator / SecDenominator) or as a frame rate (time type 1:
// FpsNumerator / FpsDenominator frames per second).
class IQFAniFrame : public IQFObject {
public:
    virtual IQFBitmap* GetBitmap() = 0;
    virtual void SetBitmap(IQFBitmap* bitmap) = 0;
    virtual int GetTimeType() = 0;
    virtual void SetTimeType(int type) = 0;
    virtual int GetTimeSecNumerator() = 0;
    virtual void SetTimeSecNumerator(int value) = 0;
    virtual int GetTimeSecDenominator() = 0;
    virtual void SetTimeSecDenominator(int value) = 0;
    virtual int GetTimeFpsNumerator() = 0;
    virtual void SetTimeFpsNumerator(int value) = 0;
    virtual int GetTimeFpsDenominator() = 0;
    virtual void SetTimeFpsDenominator(int value) = 0;

protected:
    ~IQFAniFrame() = default;
};

// The document the filter runs in.
class IQFDocument : public IQFObject {
public:
    virtual std::string GetFilePath() = 0;
    // reserved: holds a place in the binary contract; never called by the engine.
    virtual void ReservedDocument0() = 0;
    // reserved: holds a place in the binary contract; never called by the engine.
    virtual void ReservedDocument1() = 0;
    virtual bool IsSelected(int x, int y) = 0;
    // The engine sets all five to zero before the call.
    virtual void GetCurrentColor(double& red, double& green, double& blue, double& alpha,
                                 int& index) = 0;

protected:
    ~IQFDocument() = default;
};

// One per filter context: creates and looks up host objects for the engine.
class IQFJSFactory {
public:
    // Called exactly once, when the filter context is destroyed; nothing of
    // the host is called after it. Comes on the destroying thread.
    virtual void Release() = 0;
    virtual IQFBitmap* CreateBitmap(int width, int height, int bitCount, int extra) = 0;
    // reserved: holds a place in the binary contract; never called by the engine.
    virtual void ReservedFactory0() = 0;
    virtual IQFLayer* CreateLayer() = 0;
    // Translates the request's opaque handles (which may be null).
    virtual IQFDocument* GetDocument(const void* documentHandle) = 0;
    virtual IQFPicture* CreatePicture(IQFBitmap* bitmap) = 0;
    virtual IQFPicture* GetPicture(const void* pictureHandle) = 0;
    // `path` is the script's text unchanged; `options` a JSON text or "".
    virtual IQFPicture* LoadPicture(const char* path, const char* options) = 0;
    // `picture` may be null.
    virtual bool SavePicture(IQFPicture* picture, const char* path, const char* options) = 0;

protected:
    ~IQFJSFactory() = default;
};

#endif
