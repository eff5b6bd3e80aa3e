// What every host object shares: the factory that owns it, its kind and
// stable id (its label in the call log, e.g. "Bitmap#5") and the recording of
// calls that reach it through its interface.
#ifndef QFHOST_OBJECT_CORE_H
#define QFHOST_OBJECT_CORE_H

#include <string>

#include "host/lib/call_log.h"

class IQFObject;

namespace qfhost {

class Factory;

// Only the factory makes host objects: their constructors take this key.
class ObjectKey {
    friend class Factory;
    ObjectKey() = default;
};

class ObjectCore {
public:
    ObjectCore(Factory& factory, const char* kind, int id);

    Factory& factory() const { return *factory_; }
    int id() const { return id_; }
    const std::string& label() const { return label_; }

    // Records `label.op(args)` when the factory's log is on. Called first
    // thing in each public interface operation; internal work between host
    // objects uses the non-virtual helpers and is never recorded.
    template <class... Args>
    void Log(const char* op, const Args&... args) const {
        if (log_->enabled()) Record(op, args...);
    }

private:
    // Kept out of line so the per-pixel operations stay small while the log
    // is off.
    template <class... Args>
    [[gnu::cold, gnu::noinline]] void Record(const char* op, const Args&... args) const {
        std::string entry = label_;
        entry += '.';
        entry += op;
        entry += '(';
        [[maybe_unused]] bool first = true;
        (AppendOne(entry, first, args), ...);
        entry += ')';
        log_->Add(std::move(entry));
    }
    template <class T>
    static void AppendOne(std::string& entry, bool& first, const T& value) {
        if (!first) entry += ',';
        first = false;
        logarg::Append(entry, value);
    }

    Factory* factory_;
    CallLog* log_;
    int id_;
    std::string label_;
};

// The label of any host object ("Picture#3"), "null", or "foreign" for an
// object of another implementation.
std::string LabelOf(const IQFObject* object);

}  // namespace qfhost

#endif
