// A factory for engine tests: it hands out the request's picture and document
// handles unchanged as host objects (the engine only wraps them; the tests
// never call their members) and counts its release.
#ifndef QFJS_TESTS_ENGINE_TEST_FACTORY_H
#define QFJS_TESTS_ENGINE_TEST_FACTORY_H

#include "qfjs/qf_interfaces.h"

namespace qfjs_test {

class HandleFactory final : public IQFJSFactory {
public:
    int releases = 0;
    int pictureRequests = 0;

    void Release() override { ++releases; }
    IQFBitmap* CreateBitmap(int, int, int, int) override { return nullptr; }
    void ReservedFactory0() override {}
    IQFLayer* CreateLayer() override { return nullptr; }
    IQFDocument* GetDocument(const void*) override { return nullptr; }
    IQFPicture* CreatePicture(IQFBitmap*) override { return nullptr; }
    IQFPicture* GetPicture(const void* handle) override {
        ++pictureRequests;
        return static_cast<IQFPicture*>(const_cast<void*>(handle));
    }
    IQFPicture* LoadPicture(const char*, const char*) override { return nullptr; }
    bool SavePicture(IQFPicture*, const char*, const char*) override { return false; }
};

}  // namespace qfjs_test

#endif
