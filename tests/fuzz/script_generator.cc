#include "tests/fuzz/script_generator.h"

#include <string>
#include <vector>

namespace qfjs_fuzz {

namespace {

// Helpers the statements call. Every pool index is taken modulo the pool's
// size, every member index modulo the member count, so any number works.
const char kPrelude[] = R"JS(
var DENY = ['Execute', 'Spawn', 'DeleteFile', 'MoveFile', 'CopyFile', 'GenerateTemp'];
(function () {
    for (var holder of [System, Path, Object.getPrototypeOf(System), Object.getPrototypeOf(Path)]) {
        for (var name of DENY) delete holder[name];
    }
    for (var name of DENY) {
        if (System[name] !== undefined || Path[name] !== undefined) throw 'qfjs-fuzz: cannot remove ' + name;
    }
    for (var name of ['SaveTextFile', 'SaveBinaryFile', 'SavePicture']) {
        delete globalThis[name];
        if (globalThis[name] !== undefined) throw 'qfjs-fuzz: cannot remove ' + name;
    }
})();
var CLASSES = ['Picture', 'Layer', 'AniFrame', 'Bitmap', 'ColorObject', 'Document', 'System', 'Path',
               'Image', 'Pixel', 'PaletteEntry', 'Color'];
var GLOBALS = ['CreatePicture', 'CreateBitmap', 'CreateBitmapLayer', 'CreateFolderLayer',
               'CreateLayerFromBitmap', 'LoadPicture', 'LoadTextFile', 'LoadBinaryFile', 'Print',
               'MessageBox', 'SetProgress', 'SetStatus', 'SetProcessOption', 'ValueClip', 'ByteClip',
               'SetVersion'];
var O = [SourcePicture, ResultPicture, Document, System, Path, Image];
function add(v) {
    try {
        if (v !== null && typeof v === 'object' && O.length < 96 &&
            CLASSES.indexOf(v.constructor && v.constructor.name) >= 0) O.push(v);
    } catch (e) {}
    return v;
}
function P(i) { return O[i % O.length]; }
function methods(o) {
    var names = [];
    for (var p = Object.getPrototypeOf(o); p && p !== Object.prototype; p = Object.getPrototypeOf(p)) {
        for (var n of Object.getOwnPropertyNames(p)) {
            var d = Object.getOwnPropertyDescriptor(p, n);
            if (n !== 'constructor' && d && typeof d.value === 'function' && DENY.indexOf(n) < 0) names.push(n);
        }
    }
    return names;
}
function props(o) { return Object.getOwnPropertyNames(o); }
function method(i, k) { var m = methods(P(i)); return m.length ? P(i)[m[k % m.length]] : undefined; }
function prop(i, k) { var n = props(P(i)); return n.length ? n[k % n.length] : 'constructor'; }
function callM(i, k, args) { var f = method(i, k); if (f) return add(f.apply(P(i), args)); }
function borrow(i, k, receiver, args) { var f = method(i, k); if (f) return add(f.apply(receiver, args)); }
function getP(i, k) { return add(P(i)[prop(i, k)]); }
function setP(i, k, v) { P(i)[prop(i, k)] = v; }
function getR(i, k, receiver) { return add(Reflect.get(P(i), prop(i, k), receiver)); }
function setR(i, k, v, receiver) { return Reflect.set(P(i), prop(i, k), v, receiver); }
function viaProto(i, k) { return add(Object.create(P(i))[prop(i, k)]); }
function callG(k, receiver, args) { return add(globalThis[GLOBALS[k % GLOBALS.length]].apply(receiver, args)); }
function ctor(i, args, construct) {
    var c = P(i).constructor;
    return add(construct ? Reflect.construct(c, args) : c.apply(undefined, args));
}
function mutate(k) { try { callM(k, k >> 3, [k & 7, P(k >> 2), k & 3]); } catch (e) {} }
)JS";

// Hostile argument expressions; "K" becomes a number from the input.
const char* const kArguments[] = {
    "0", "1", "-1", "2", "3", "7", "8", "15", "16", "100", "255", "256", "-255", "0.5", "-0.5", "1.5", "-0",
    "NaN", "Infinity", "-Infinity", "2147483647", "2147483648", "-2147483648", "-2147483649", "4294967295",
    "4294967296", "4294967301", "30000", "30001", "9999", "10000", "65535", "65536", "1e308", "-1e308",
    "9007199254740993", "5e-324",
    "''", "'0'", "'12'", "'-1'", "'abc'", "'INDEX8'", "'RGB24'", "'RGBA32'", "'SINGLE'", "'LAYER'",
    "'ANIMATION'", "'BITMAP'", "'FOLDER'", "'nearest'", "'bilinear'", "'box'", "'NEAREST'", "'Invert'",
    "'Grayscale'", "'Threshold'", "'{\"Alpha\":true}'", "'{\"Level\":300}'", "'{\"Weights\":[1,2]}'",
    "'{\"IndexColor\":true}'", "'{\"Frame\":99}'", "'{'", "'[]'", "'Bitmap.GetPixel.Clip'", "'\\0'",
    "'a\\0b'", "'\\uD800'", "'\\u00e9\\u4e2d\\uD83D\\uDE00'", "'x'.repeat(70000)", "'HOME'", "'DOCUMENT'",
    "'DESKTOP'", "'TEMP'", "'PATH'", "'/'", "'.'", "'..'", "'/nonexistent/dir/file.png'", "'shift_jis'",
    "'utf-16'", "'ibm-1047'", "FIXPNG", "FIXTXT",
    "null", "undefined", "true", "false", "{}", "[]", "[1, 2, 3]", "Symbol('s')", "10n", "function () {}",
    "new Date(0)", "/x/g", "new Uint8Array(4)", "new ArrayBuffer(8)", "new Proxy({}, {})",
    "new Proxy({}, { get: function () { throw 2; } })", "globalThis",
    "{ valueOf: function () { throw new Error('valueOf'); } }", "{ toString: function () { throw 7; } }",
    "{ valueOf: function () { return 2 ** 31; } }",
    "{ [Symbol.toPrimitive]: function () { return Symbol(); } }",
    "{ valueOf: function () { mutate(K); return K; } }", "{ toString: function () { mutate(K); return 'K'; } }",
    "Object.create(P(K))", "Object.setPrototypeOf({}, Object.getPrototypeOf(P(K)))",
    "{ constructor: P(K).constructor }", "{ constructor: { name: 'Bitmap' } }", "{ __proto__: null }",
    "P(K)", "P(K)", "P(K)", "P(K)", "P(K)", "P(K)",
};
constexpr unsigned kArgumentCount = sizeof kArguments / sizeof kArguments[0];

class Generator {
public:
    explicit Generator(ByteReader& reader) : in_(reader) {}

    std::string Statements() {
        std::string out;
        for (int count = 0; count < 64 && !in_.Done(); ++count) out += Statement(0);
        return out;
    }

private:
    std::string Number(unsigned range) { return std::to_string(in_.Next(range)); }

    std::string Argument() {
        std::string text = kArguments[in_.Next(kArgumentCount)];
        for (std::size_t at = text.find('K'); at != std::string::npos; at = text.find('K', at + 1)) {
            // Only the placeholder: no other argument text has a capital K.
            const std::string k = Number(4096);
            text.replace(at, 1, k);
            at += k.size() - 1;
        }
        return text;
    }

    std::string Arguments() {
        const unsigned count = in_.Next(8);
        std::string out = "[";
        for (unsigned i = 0; i < count; ++i) {
            if (i) out += ", ";
            out += Argument();
        }
        return out + "]";
    }

    std::string Statement(int depth) {
        const std::string i = Number(256);
        const std::string k = Number(256);
        std::string body;
        switch (in_.Next(depth < 2 ? 24 : 22)) {
            case 0: case 1: case 2: case 3: case 4:
                body = "callM(" + i + ", " + k + ", " + Arguments() + ");";
                break;
            case 5:
                body = "borrow(" + i + ", " + k + ", " + Argument() + ", " + Arguments() + ");";
                break;
            case 6: case 7:
                body = "getP(" + i + ", " + k + ");";
                break;
            case 8: case 9:
                body = "setP(" + i + ", " + k + ", " + Argument() + ");";
                break;
            case 10:
                body = "getR(" + i + ", " + k + ", " + Argument() + ");";
                break;
            case 11:
                body = "setR(" + i + ", " + k + ", " + Argument() + ", " + Argument() + ");";
                break;
            case 12:
                body = "viaProto(" + i + ", " + k + ");";
                break;
            case 13: case 14:
                body = "callG(" + k + ", " + (in_.Next(4) == 0 ? Argument() : std::string("undefined")) + ", " +
                       Arguments() + ");";
                break;
            case 15:
                body = "ctor(" + i + ", " + Arguments() + ", " + (in_.Next(2) ? "true" : "false") + ");";
                break;
            case 16:
                switch (in_.Next(6)) {
                    case 0: body = "Result = " + Argument() + ";"; break;
                    case 1: body = "ErrorMessage = " + Argument() + ";"; break;
                    case 2: body = "UserParam[" + Number(300) + "] = " + Argument() + ";"; break;
                    case 3: body = "add(UserParam[" + Argument() + "]);"; break;
                    case 4: body = std::string("SetVersion(") + (in_.Next(2) ? "7" : "8") + ");"; break;
                    default: body = "System.SetOption('Bitmap.GetPixel.Clip', " + Argument() + ");"; break;
                }
                break;
            case 17:
                // Let wrappers die and the collector run in the middle of things.
                body = "O.length = Math.min(O.length, 6 + " + Number(8) +
                       "); var junk = []; for (var z = 0; z < 5000; z++) junk.push({ z: z });";
                break;
            case 18:
                body = "mutate(" + Number(4096) + ");";
                break;
            case 19:
                switch (in_.Next(16)) {
                    case 0: return "Quit(" + Argument() + ");\n";
                    case 1: return "throw " + Argument() + ";\n";
                    case 2: return "while (true) {}\n";  // the watchdog stops it, as a host would
                    default: body = "add(P(" + i + ").Jsonize());"; break;
                }
                break;
            case 20: case 21:
                body = "add(P(" + i + ").Equals(" + Argument() + "));";
                break;
            default: {
                // A loop around one or two statements.
                static const char* const kCounts[] = {"3", "30", "500"};
                const std::string count = kCounts[in_.Next(3)];
                std::string inner = Statement(depth + 1);
                if (in_.Next(2)) inner += Statement(depth + 1);
                return "for (var n" + std::to_string(depth) + " = 0; n" + std::to_string(depth) + " < " + count +
                       "; n" + std::to_string(depth) + "++) {\n" + inner + "}\n";
            }
        }
        // Most statements catch what they throw, so one failure does not end
        // the script; now and then an exception is left to end it.
        if (in_.Next(32) == 0) return body + "\n";
        return "try { " + body + " } catch (e) {}\n";
    }

    ByteReader& in_;
};

std::string JsString(const std::string& text) {
    std::string out = "'";
    for (char c : text) {
        if (c == '\'' || c == '\\') out += '\\';
        out += c;
    }
    return out + "'";
}

}  // namespace

unsigned ByteReader::Next(unsigned range) {
    if (range <= 1) return 0;
    unsigned value = 0;
    if (pos_ < size_) value = data_[pos_++];
    if (range > 256 && pos_ < size_) value = value << 8 | data_[pos_++];
    return value % range;
}

std::string GenerateScript(ByteReader& reader, const FixturePaths& fixtures) {
    std::string script = "var FIXPNG = " + JsString(fixtures.png) + ";\nvar FIXTXT = " + JsString(fixtures.text) + ";\n";
    script += kPrelude;
    script += Generator(reader).Statements();
    return script;
}

}  // namespace qfjs_fuzz
