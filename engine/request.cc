#include "engine/request.h"

#include <cctype>
#include <charconv>
#include <cmath>
#include <cstdio>
#include <limits>

#include <boost/filesystem/operations.hpp>

#include "engine/filter_context.h"

namespace qfjsbinding {

namespace {

// Request statuses: a required key missing or of the wrong type, or present
// but unparsable as a pointer.
struct PointerKey {
    const char* key;
    int missing;
    int unparsable;
};

const picojson::value* Find(const picojson::object& obj, const char* key) {
    auto it = obj.find(key);
    return it == obj.end() ? nullptr : &it->second;
}

// 0 on success, else the status.
int ReadPointer(const picojson::object& obj, const PointerKey& k, const void** out) {
    const picojson::value* v = Find(obj, k.key);
    if (!v || !v->is<std::string>()) return k.missing;
    if (!str2ptr(v->get<std::string>(), out)) return k.unparsable;
    return 0;
}

int ReadNumber(const picojson::object& obj, const char* key, int missing, double* out) {
    const picojson::value* v = Find(obj, key);
    if (!v || !v->is<double>()) return missing;
    *out = v->get<double>();
    return 0;
}

template <typename Proc>
Proc AsProc(const void* p) {
    return reinterpret_cast<Proc>(const_cast<void*>(p));
}

std::int32_t SaturatingAdd(std::int32_t a, std::int32_t b) {
    const std::int64_t sum = static_cast<std::int64_t>(a) + b;
    if (sum > std::numeric_limits<std::int32_t>::max()) return std::numeric_limits<std::int32_t>::max();
    if (sum < std::numeric_limits<std::int32_t>::min()) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(sum);
}

std::string Address(const void* p) {
    return std::to_string(reinterpret_cast<std::uintptr_t>(p));
}

// picojson's own parse context refuses a number beyond the range of a double
// (1e999) by throwing from deep inside the parser. Such a number is valid
// JSON; this context keeps it as the largest double of its sign, so that it
// saturates like any other huge number when it is truncated.
class SaturatingParseContext {
public:
    explicit SaturatingParseContext(picojson::value* out, std::size_t depths = picojson::DEFAULT_MAX_DEPTHS)
        : out_(out), depths_(depths) {}

    bool set_null() {
        *out_ = picojson::value();
        return true;
    }
    bool set_bool(bool b) {
        *out_ = picojson::value(b);
        return true;
    }
#ifdef PICOJSON_USE_INT64
    bool set_int64(std::int64_t i) {
        *out_ = picojson::value(i);
        return true;
    }
#endif
    bool set_number(double f) {
        if (std::isinf(f)) f = std::copysign(std::numeric_limits<double>::max(), f);
        *out_ = picojson::value(f);
        return true;
    }
    template <typename Iter>
    bool parse_string(picojson::input<Iter>& in) {
        *out_ = picojson::value(picojson::string_type, false);
        return picojson::_parse_string(out_->get<std::string>(), in);
    }
    bool parse_array_start() {
        if (depths_ == 0) return false;
        --depths_;
        *out_ = picojson::value(picojson::array_type, false);
        return true;
    }
    template <typename Iter>
    bool parse_array_item(picojson::input<Iter>& in, std::size_t) {
        picojson::array& a = out_->get<picojson::array>();
        a.push_back(picojson::value());
        SaturatingParseContext item(&a.back(), depths_);
        return picojson::_parse(item, in);
    }
    bool parse_array_stop(std::size_t) {
        ++depths_;
        return true;
    }
    bool parse_object_start() {
        if (depths_ == 0) return false;
        *out_ = picojson::value(picojson::object_type, false);
        return true;
    }
    template <typename Iter>
    bool parse_object_item(picojson::input<Iter>& in, const std::string& key) {
        picojson::object& o = out_->get<picojson::object>();
        SaturatingParseContext item(&o[key], depths_);
        return picojson::_parse(item, in);
    }
    bool parse_object_stop() {
        ++depths_;
        return true;
    }

private:
    picojson::value* out_;
    std::size_t depths_;
};

}  // namespace

bool str2ptr(std::string_view text, const void** out) {
    std::size_t i = 0;
    while (i < text.size() && std::isspace(static_cast<unsigned char>(text[i]))) ++i;
    if (i < text.size() && text[i] == '+') ++i;
    if (i >= text.size() || !std::isdigit(static_cast<unsigned char>(text[i]))) return false;
    std::uintptr_t value = 0;
    for (; i < text.size() && std::isdigit(static_cast<unsigned char>(text[i])); ++i) {
        const std::uintptr_t digit = static_cast<std::uintptr_t>(text[i] - '0');
        if (value > (std::numeric_limits<std::uintptr_t>::max() - digit) / 10) return false;
        value = value * 10 + digit;
    }
    *out = reinterpret_cast<const void*>(value);
    return true;
}

std::int32_t TruncateToInt32(double value) {
    if (std::isnan(value)) return 0;
    const double t = std::trunc(value);
    if (t >= 2147483647.0) return std::numeric_limits<std::int32_t>::max();
    if (t <= -2147483648.0) return std::numeric_limits<std::int32_t>::min();
    return static_cast<std::int32_t>(t);
}

std::string ParseRequest(const char* text, picojson::value* out) {
    const char* end = text;
    while (*end) ++end;
    std::string error;
    SaturatingParseContext context(out);
    const char* rest = picojson::_parse(context, text, end, &error);
    if (!error.empty()) return error;
    while (rest != end && std::isspace(static_cast<unsigned char>(*rest))) ++rest;
    if (rest != end) return "syntax error: unexpected text after the JSON value";
    return std::string();
}

int ApplyRequest(const picojson::value& request, TJSFilterContext* context) {
    static const picojson::object kEmpty;
    const picojson::object& obj = request.is<picojson::object>() ? request.get<picojson::object>() : kEmpty;
    int status = 0;

    // 1. FileName
    const picojson::value* fileName = Find(obj, "FileName");
    if (!fileName || !fileName->is<std::string>()) return 50;
    context->fileName = fileName->get<std::string>();

    // 2. HostData
    if ((status = ReadPointer(obj, {"HostData", 51, 52}, &context->hostData))) return status;

    // 3. V7Layers (optional; absent or not an array means none for this run)
    const picojson::value* layers = Find(obj, "V7Layers");
    context->v7LayerHandles = layers && layers->is<picojson::array>() ? &layers->get<picojson::array>() : nullptr;

    // 4. SourcePicture
    const picojson::value* sourceInfo = Find(obj, "SourcePicture");
    if (!sourceInfo || !sourceInfo->is<picojson::object>()) return 101;
    context->sourcePictureInfo = &sourceInfo->get<picojson::object>();

    // 5, 6. Picture pointers
    if ((status = ReadPointer(obj, {"SourcePicturePtr", 103, 104}, &context->sourcePicture))) return status;
    if ((status = ReadPointer(obj, {"TargetPicturePtr", 105, 106}, &context->targetPicture))) return status;

    // 7. SelColor
    const picojson::value* selColor = Find(obj, "SelColor");
    if (!selColor || !selColor->is<picojson::object>()) return 111;
    const picojson::object& color = selColor->get<picojson::object>();
    if ((status = ReadNumber(color, "R", 112, &context->selColorR))) return status;
    if ((status = ReadNumber(color, "G", 113, &context->selColorG))) return status;
    if ((status = ReadNumber(color, "B", 114, &context->selColorB))) return status;
    if ((status = ReadNumber(color, "A", 115, &context->selColorA))) return status;
    double index = 0;
    if ((status = ReadNumber(color, "I", 116, &index))) return status;
    context->selColorIndex = TruncateToInt32(index);

    // 8. Selection (optional)
    const picojson::value* selection = Find(obj, "Selection");
    if (selection && selection->is<picojson::object>()) {
        const picojson::object& sel = selection->get<picojson::object>();
        context->selection = RECT{};
        RECT& rect = *context->selection;
        double value = 0;
        if ((status = ReadNumber(sel, "Left", 122, &value))) return status;
        rect.left = TruncateToInt32(value);
        if ((status = ReadNumber(sel, "Top", 123, &value))) return status;
        rect.top = TruncateToInt32(value);
        if ((status = ReadNumber(sel, "Width", 124, &value))) return status;
        rect.right = SaturatingAdd(rect.left, TruncateToInt32(value));
        if ((status = ReadNumber(sel, "Height", 125, &value))) return status;
        rect.bottom = SaturatingAdd(rect.top, TruncateToInt32(value));
    }

    // 9. Parameters (optional): the list always has 256 entries.
    context->userParams.resize(256);
    const picojson::value* parameters = Find(obj, "Parameters");
    if (parameters && parameters->is<picojson::array>()) {
        const picojson::array& params = parameters->get<picojson::array>();
        if (params.size() > 256) return 132;
        for (std::size_t i = 0; i < params.size(); ++i) {
            if (params[i].is<std::string>()) {
                context->userParams[i] = params[i].get<std::string>();
            } else if (params[i].is<double>()) {
                // Six digits after the point, independent of the host's locale.
                char buffer[512];
                const auto written = std::to_chars(buffer, buffer + sizeof buffer, params[i].get<double>(),
                                                   std::chars_format::fixed, 6);
                context->userParams[i].assign(buffer, written.ptr);
            }
        }
    }

    // 10-14. Callbacks
    const void* proc = nullptr;
    if ((status = ReadPointer(obj, {"ProgressProc", 141, 142}, &proc))) return status;
    context->progressProc = AsProc<QFJS_ProgressProc>(proc);
    if ((status = ReadPointer(obj, {"ShowMessage", 143, 144}, &proc))) return status;
    context->showMessageProc = AsProc<QFJS_ShowMessageProc>(proc);
    if ((status = ReadPointer(obj, {"SetStatus", 145, 146}, &proc))) return status;
    context->setStatusProc = AsProc<QFJS_SetStatusProc>(proc);
    if ((status = ReadPointer(obj, {"GetV7Bitmap", 147, 148}, &proc))) return status;
    context->getV7BitmapProc = AsProc<QFJS_GetV7BitmapProc>(proc);
    if ((status = ReadPointer(obj, {"GetV7LayerData", 149, 150}, &proc))) return status;
    context->getV7LayerDataProc = AsProc<QFJS_GetV7LayerDataProc>(proc);

    // 15. Document
    if ((status = ReadPointer(obj, {"Document", 161, 162}, &context->document))) return status;

    // 16. ScriptFile (optional), then the script's base directory.
    const picojson::value* scriptFile = Find(obj, "ScriptFile");
    if (scriptFile && scriptFile->is<std::string>()) context->scriptFile = scriptFile->get<std::string>();
    const boost::filesystem::path script(context->scriptFile);
    if (script.is_absolute()) {
        context->scriptBaseDir = script.parent_path();
    } else {
        boost::system::error_code ignored;
        context->scriptBaseDir = boost::filesystem::current_path(ignored);
    }

    // 17. V7ActiveLayerIndex (optional)
    const picojson::value* active = Find(obj, "V7ActiveLayerIndex");
    if (active && active->is<double>()) context->v7ActiveLayerIndex = TruncateToInt32(active->get<double>());

    return 0;
}

std::string BuildResultJson(const TJSFilterContext* context, int runStatus, const std::string& message) {
    picojson::object result;
    if (runStatus == 0) {
        if (context->isVersion8) {
            result["V8ResultPicture"] = picojson::value(Address(context->resultPicture));
        } else {
            picojson::array layers;
            for (const auto& [index, layer] : context->v7ResultLayers) {
                picojson::object entry;
                entry["Index"] = picojson::value(static_cast<std::int64_t>(index));
                entry["Image"] = picojson::value(Address(layer.image));
                entry["Alpha"] = picojson::value(Address(layer.alpha));
                if (layer.name) entry["Name"] = picojson::value(*layer.name);
                if (layer.posX) entry["PosX"] = picojson::value(static_cast<std::int64_t>(*layer.posX));
                if (layer.posY) entry["PosY"] = picojson::value(static_cast<std::int64_t>(*layer.posY));
                if (layer.hidden) entry["Hidden"] = picojson::value(*layer.hidden);
                if (layer.opacity) entry["Opacity"] = picojson::value(static_cast<std::int64_t>(*layer.opacity));
                layers.emplace_back(std::move(entry));
            }
            result["V7ResultLayers"] = picojson::value(std::move(layers));
        }
    }
    result["ScriptResult"] = picojson::value(static_cast<std::int64_t>(runStatus));
    result["ErrorMessage"] = picojson::value(message);
    return picojson::value(std::move(result)).serialize();
}

std::string BuildParseFailureJson(const std::string& parserMessage) {
    picojson::object result;
    result["message"] = picojson::value(parserMessage);
    return picojson::value(std::move(result)).serialize();
}

}  // namespace qfjsbinding
