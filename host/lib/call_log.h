// The record of interface calls that reached a factory's objects from
// outside (normally from the script engine).
//
// Every entry is one call, written `Kind#id.Operation(args)`, for example
// `Picture#2.GetType()`, `Bitmap#5.GetPixelR(3,4)` or
// `Factory.CreateBitmap(10,10,32,0)`; docs/reference-host.md gives the full
// format. Recording is off by default and costs one branch per call then.
// The log is not synchronised: one factory serves one filter context, which
// never calls it from two threads at once.
#ifndef QFHOST_CALL_LOG_H
#define QFHOST_CALL_LOG_H

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

class IQFObject;

namespace qfhost {

class CallLog {
public:
    bool enabled() const noexcept { return enabled_; }
    void Enable(bool on = true) noexcept { enabled_ = on; }
    void Clear() { entries_.clear(); }

    const std::vector<std::string>& Entries() const { return entries_; }
    std::size_t Size() const { return entries_.size(); }
    bool Empty() const { return entries_.empty(); }
    // Exact entry present / how often.
    bool Contains(std::string_view entry) const;
    std::size_t Count(std::string_view entry) const;
    // How many entries call `operation` (the name between '.' and '('),
    // whatever the object and the arguments.
    std::size_t CountOperation(std::string_view operation) const;
    // Entries of one object, e.g. EntriesOf("Picture#1").
    std::vector<std::string> EntriesOf(std::string_view label) const;
    // All entries, one per line, for failure messages.
    std::string Text() const;

    void Add(std::string entry) { entries_.push_back(std::move(entry)); }

private:
    bool enabled_ = false;
    std::vector<std::string> entries_;
};

// Writers of one argument of an entry. Integers in decimal, doubles in their
// shortest round-trip form ("10", "0.5", "nan", "inf"), booleans as
// true/false, text as a JSON string literal, a null text as null.
namespace logarg {
void Append(std::string& out, int value);
void Append(std::string& out, unsigned value);
void Append(std::string& out, double value);
void Append(std::string& out, bool value);
void Append(std::string& out, const std::string& value);
void Append(std::string& out, const char* value);
// A host object as its label ("Bitmap#5"), null, or "foreign" for an object
// that some other implementation made.
void Append(std::string& out, const IQFObject* object);
// A preformatted piece written as it is.
struct Raw {
    std::string text;
};
void Append(std::string& out, const Raw& raw);
}  // namespace logarg

}  // namespace qfhost

#endif
