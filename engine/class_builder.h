// Script classes as data: a table of accessors and methods per class, turned
// into a function template by one builder.
#ifndef QFJS_ENGINE_CLASS_BUILDER_H
#define QFJS_ENGINE_CLASS_BUILDER_H

#include <cstddef>

#include <v8.h>

namespace qfjsbinding {

// An accessor on the instance template. `member` travels as the accessor's
// data so a shared getter dispatches on it without comparing names.
struct AccessorDef {
    const char* name;
    v8::AccessorNameGetterCallback getter;
    v8::AccessorNameSetterCallback setter;  // null: read-only towards the host
    int member;
};

// A method on the prototype template.
struct MethodDef {
    const char* name;
    v8::FunctionCallback callback;
};

struct ClassDef {
    const char* className;
    int internalFieldCount;
    const AccessorDef* accessors;
    std::size_t accessorCount;
    const MethodDef* methods;
    std::size_t methodCount;
};

template <std::size_t A, std::size_t M>
constexpr ClassDef MakeClassDef(const char* className, int fields, const AccessorDef (&accessors)[A],
                                const MethodDef (&methods)[M]) {
    return ClassDef{className, fields, accessors, A, methods, M};
}
template <std::size_t A>
constexpr ClassDef MakeClassDef(const char* className, int fields, const AccessorDef (&accessors)[A]) {
    return ClassDef{className, fields, accessors, A, nullptr, 0};
}
template <std::size_t M>
constexpr ClassDef MakeMethodsOnlyClassDef(const char* className, int fields, const MethodDef (&methods)[M]) {
    return ClassDef{className, fields, nullptr, 0, methods, M};
}

// A function template named `className` that scripts cannot call or
// construct (instances come only from the engine), with the
// internal field count and accessors (in table order) on its instance template
// and the methods on its prototype template. Methods carry a receiver
// signature of the class, so the engine itself rejects a call on anything
// that is not an instance (a borrowed method, the prototype object) with a
// TypeError before our code runs; calling a method with `new` throws too.
v8::Local<v8::FunctionTemplate> BuildClass(v8::Isolate* isolate, const ClassDef& def);

// The member index an accessor was registered with.
inline int MemberOf(v8::Local<v8::Value> data) {
    return data.As<v8::Int32>()->Value();
}

// A plain global function (no receiver signature, length 0).
void SetGlobalFunction(v8::Isolate* isolate, v8::Local<v8::ObjectTemplate> global, const char* name,
                       v8::FunctionCallback callback);

}  // namespace qfjsbinding

#endif
