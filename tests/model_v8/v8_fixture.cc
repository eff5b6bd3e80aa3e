#include "tests/model_v8/v8_fixture.h"

#include <regex>
#include <set>

#include <picojson.h>

namespace qfjs_v8test {

namespace {

// Markers of the prelude's SetStatus texts; a real status never starts with
// the control character.
constexpr char kBegin[] = "\x01" "begin";
constexpr char kEnd[] = "\x01" "end";
constexpr char kHook[] = "\x01" "hook:";

constexpr char kPrelude[] = R"JS(
function describe(v) {
  if (v === null) return 'null';
  switch (typeof v) {
    case 'undefined': return 'undefined';
    case 'boolean': return String(v);
    case 'number': return Object.is(v, -0) ? '-0' : String(v);
    case 'string': return JSON.stringify(v);
    case 'object': case 'function': {
      const proto = Object.getPrototypeOf(v);
      const ctor = proto && Object.getOwnPropertyDescriptor(proto, 'constructor');
      return '[' + (ctor && typeof ctor.value === 'function' ? ctor.value.name : '?') + ']';
    }
    default: return typeof v;
  }
}
function probe(label, fn) {
  SetStatus('\u0001begin');
  let r;
  try {
    r = describe(fn());
  } catch (e) {
    r = 'throws ' + (e instanceof Error ? e.name + ': ' + e.message : describe(e));
  }
  SetStatus('\u0001end' + JSON.stringify([String(label), r]));
  return r;
}
function hook(name) { SetStatus('\u0001hook:' + name); }
)JS";

bool StartsWith(const std::string& text, const char* prefix) {
    return text.rfind(prefix, 0) == 0;
}

}  // namespace

std::string Js(const std::string& text) {
    // As JSON.stringify writes it, so that expected values compare with
    // what scripts describe ("/" and non-ASCII characters stay as they are).
    std::string out = "\"";
    for (const char ch : text) {
        const auto c = static_cast<unsigned char>(ch);
        switch (c) {
            case '"': out += "\\\""; break;
            case '\\': out += "\\\\"; break;
            case '\b': out += "\\b"; break;
            case '\f': out += "\\f"; break;
            case '\n': out += "\\n"; break;
            case '\r': out += "\\r"; break;
            case '\t': out += "\\t"; break;
            default:
                if (c < 0x20) {
                    static const char kHex[] = "0123456789abcdef";
                    out += "\\u00";
                    out += kHex[c >> 4];
                    out += kHex[c & 15];
                } else {
                    out += ch;
                }
        }
    }
    out += '"';
    return out;
}

std::string L(const IQFObject* object) {
    return qfhost::LabelOf(object);
}

std::string At(const IQFObject* object, const std::string& call) {
    return L(object) + "." + call;
}

V8ModelTest::V8ModelTest() {
    factory_.log().Enable();
    request_.SetPointer("HostData", this)
        .SetPointer("ProgressProc", reinterpret_cast<const void*>(&V8ModelTest::OnProgress))
        .SetPointer("ShowMessage", reinterpret_cast<const void*>(&V8ModelTest::OnMessage))
        .SetPointer("SetStatus", reinterpret_cast<const void*>(&V8ModelTest::OnStatus));
    context_ = std::make_unique<qfjs_test::ScriptContext>(&factory_);
}

V8ModelTest::~V8ModelTest() {
    // The context releases the factory, which must still exist then.
    context_.reset();
}

qfjs_test::Outcome V8ModelTest::RunAny(const std::string& script) {
    probes_.clear();
    probeOrder_.clear();
    printed_.clear();
    return context_->Run(std::string(kPrelude) + script, request_);
}

qfjs_test::Outcome V8ModelTest::Run(const std::string& script) {
    qfjs_test::Outcome outcome = RunAny(script);
    EXPECT_EQ(outcome.status, 0) << script;
    EXPECT_EQ(outcome.scriptResult(), 0) << outcome.errorMessage() << "\nscript:\n" << script;
    EXPECT_EQ(outcome.errorMessage(), "") << script;
    return outcome;
}

const ProbeResult& V8ModelTest::Probe(const std::string& label) {
    auto it = probes_.find(label);
    if (it == probes_.end()) {
        ADD_FAILURE() << "no probe recorded as " << label;
        missing_ = ProbeResult{"<no probe>", {}};
        return missing_;
    }
    return it->second;
}

void V8ModelTest::Check(const std::string& label, const std::string& value, const Calls& calls) {
    const ProbeResult& probe = Probe(label);
    EXPECT_EQ(probe.value, value) << "probe: " << label;
    EXPECT_EQ(probe.calls, calls) << "probe: " << label;
}

Calls V8ModelTest::NewCalls(const std::string& label, const std::vector<const IQFObject*>& known) {
    std::set<std::string> keep;
    for (const IQFObject* object : known) keep.insert(L(object));
    std::map<std::string, std::string> renamed;
    std::map<std::string, int> perKind;
    static const std::regex kLabel("(Bitmap|Picture|Layer|AniFrame|Document)#[0-9]+");
    Calls out;
    for (const std::string& call : Probe(label).calls) {
        std::string text;
        auto last = call.cbegin();
        for (std::sregex_iterator it(call.begin(), call.end(), kLabel), end; it != end; ++it) {
            text.append(last, call.cbegin() + it->position());
            const std::string found = it->str();
            if (keep.count(found)) {
                text += found;
            } else {
                auto [entry, added] = renamed.emplace(found, "");
                if (added) entry->second = (*it)[1].str() + "#new" + std::to_string(++perKind[(*it)[1].str()]);
                text += entry->second;
            }
            last = call.cbegin() + it->position() + it->length();
        }
        text.append(last, call.cend());
        out.push_back(std::move(text));
    }
    return out;
}

void V8ModelTest::SetDocument(IQFDocument* document) {
    request_.SetPointer("Document", document);
}

void V8ModelTest::SetSource(IQFPicture* picture) {
    request_.SetPointer("SourcePicturePtr", picture);
}

void V8ModelTest::SetTarget(IQFPicture* picture) {
    request_.SetPointer("TargetPicturePtr", picture);
}

qfhost::Bitmap* V8ModelTest::NewBitmap(int width, int height, qfhost::PixelFormat format, int paletteCount) {
    qfhost::Bitmap* bitmap = factory_.MakeBitmap(width, height, format, paletteCount);
    EXPECT_NE(bitmap, nullptr);
    return bitmap;
}

bool V8ModelTest::OnProgress(const void*, int, int) {
    return true;
}

void V8ModelTest::OnMessage(const void* hostData, const char* text) {
    static_cast<V8ModelTest*>(const_cast<void*>(hostData))->printed_.emplace_back(text);
}

void V8ModelTest::OnStatus(const void* hostData, const char* text) {
    static_cast<V8ModelTest*>(const_cast<void*>(hostData))->HandleStatus(text);
}

void V8ModelTest::HandleStatus(const std::string& text) {
    if (StartsWith(text, kBegin)) {
        factory_.log().Clear();
        return;
    }
    if (StartsWith(text, kEnd)) {
        picojson::value entry;
        const std::string error = picojson::parse(entry, text.substr(sizeof kEnd - 1));
        if (!error.empty() || !entry.is<picojson::array>() || entry.get<picojson::array>().size() != 2) {
            ADD_FAILURE() << "bad probe record: " << text;
            return;
        }
        const std::string label = entry.get(0).to_str();
        if (probes_.count(label)) ADD_FAILURE() << "probe label used twice: " << label;
        probes_[label] = ProbeResult{entry.get(1).to_str(), factory_.log().Entries()};
        probeOrder_.push_back(label);
        factory_.log().Clear();
        return;
    }
    if (StartsWith(text, kHook)) {
        const std::string name = text.substr(sizeof kHook - 1);
        auto it = hooks_.find(name);
        if (it == hooks_.end()) {
            ADD_FAILURE() << "no hook named " << name;
            return;
        }
        it->second();
        return;
    }
    statuses_.push_back(text);
}

}  // namespace qfjs_v8test
