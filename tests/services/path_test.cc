// The "Path" object: path arithmetic, special directories and temporary files
// that disappear with the filter context.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include <boost/algorithm/string/predicate.hpp>
#include <picojson.h>

#include "tests/services/service_script.h"
#include "tests/tools/test_util.h"

namespace {

using namespace std::string_literals;
using qfjs_test::Js;
using qfjs_test::ScopedEnv;
using qfjs_test::ShownRun;
using qfjs_test::TempDir;

struct PathCase {
    std::string call;
    std::string shown;
};

void ExpectShown(const std::vector<PathCase>& cases) {
    for (const PathCase& c : cases) {
        ShownRun run;
        EXPECT_EQ(run.One("show(" + c.call + ")"), c.shown) << c.call;
    }
}

TEST(PathObject, Combine) {
    const std::string cwd = boost::filesystem::current_path().string();
    ExpectShown({
        {"Path.Combine('/a/b', '../c')", "\"/a/c\""},
        {"Path.Combine('/a/b', '.')", "\"/a/b\""},
        {"Path.Combine('/', '.')", "\"/\""},
        {"Path.Combine('/a/b', '/x/y')", "\"/x/y\""},
        {"Path.Combine('/a/b/', 'c')", "\"/a/b/c\""},
        {"Path.Combine('/a/b', './x/./y/')", "\"/a/b/x/y\""},
        {"Path.Combine('/a', '..')", "\"/\""},
        {"Path.Combine('/', '..')", "\"/\""},
        {"Path.Combine('/a/b', '../../../x')", "\"/x\""},
        {"Path.Combine('/a', 'b\\\\c.png')", "\"/a/b/c.png\""},
        {"Path.Combine('rel', 'x')", "\"" + cwd + "/rel/x\""},
        {"Path.Combine('', 'x')", "\"" + cwd + "/x\""},
        {"Path.Combine('/a')", "null"},
    });
}

TEST(PathObject, FileNamesAndExtensions) {
    ExpectShown({
        {"Path.RemoveFileName('/a/b/c.txt')", "\"/a/b\""},
        {"Path.RemoveFileName('c.txt')", "\"\""},
        {"Path.RemoveFileName('a\\\\b/c')", "\"a/b\""},
        {"Path.RemoveExtension('/a/b.tar.gz')", "\"/a/b.tar\""},
        {"Path.RemoveExtension('/a/.bashrc')", "\"/a/\""},
        {"Path.RemoveExtension('/a/b')", "\"/a/b\""},
        {"Path.ReplaceExtension('x/y.txt', 'png')", "\"x/y.png\""},
        {"Path.ReplaceExtension('x/y.txt', '.png')", "\"x/y.png\""},
        {"Path.ReplaceExtension('x/y.txt', '')", "\"x/y\""},
        {"Path.ReplaceExtension('x/y', 'png')", "\"x/y.png\""},
        {"Path.FileNameOf('/a/b.tar.gz')", "\"b.tar.gz\""},
        {"Path.FileNameOf('/a/b.tar.gz', false)", "\"b.tar.gz\""},
        {"Path.FileNameOf('/a/b.tar.gz', true)", "\"b.tar\""},
        {"Path.FileNameOf('/a/.bashrc')", "\".bashrc\""},
        {"Path.FileNameOf('/a/.bashrc', true)", "\"\""},
        {"Path.FileNameOf('a\\\\b.txt')", "\"a\\\\b.txt\""},
        {"Path.ExtensionOf('/a/b.tar.gz')", "\".gz\""},
        {"Path.ExtensionOf('/a/.bashrc')", "\".bashrc\""},
        {"Path.ExtensionOf('/a/b')", "\"\""},
        {"Path.ExtensionOf('/a/..')", "\"\""},
        {"Path.ExtensionOf('/a/.')", "\"\""},
        {"Path.ExtensionOf(12.5)", "\".5\""},
    });
}

TEST(PathObject, EveryMethodWithoutArgumentsGivesNull) {
    for (const char* method : {"GetSpecialPath", "Combine", "RemoveFileName", "RemoveExtension",
                               "ReplaceExtension", "FileNameOf", "ExtensionOf"}) {
        ShownRun run;
        EXPECT_EQ(run.One("show(Path."s + method + "())"), "null") << method;
    }
    ShownRun run;
    EXPECT_EQ(run.One("show(Path.ReplaceExtension('a.txt'))"), "null");
}

TEST(PathObject, SpecialPaths) {
    TempDir config;
    config.Write("user-dirs.dirs", "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    ScopedEnv home("HOME", "/home/scripter");
    ScopedEnv xdg("XDG_CONFIG_HOME", config.path().c_str());
    ExpectShown({
        {"Path.GetSpecialPath('HOME')", "\"/home/scripter\""},
        {"Path.GetSpecialPath('home')", "\"/home/scripter\""},
        {"Path.GetSpecialPath('Document')", "\"/home/scripter/Dokumente\""},
        {"Path.GetSpecialPath('DESKTOP')", "\"/home/scripter/Desktop\""},
        {"Path.GetSpecialPath('SOURCE')", "null"},
        {"Path.GetSpecialPath('DOCUMENTS')", "null"},
        {"Path.GetSpecialPath('')", "null"},
    });
}

TEST(PathObject, SourceIsTheScriptFilesDirectory) {
    ShownRun run;
    run.request().Set("ScriptFile", picojson::value("/a/b/c.js"));
    EXPECT_EQ(run.One("show(Path.GetSpecialPath('source'))"), "\"/a/b\"");
    // The script file stays known to later executions of the context.
    run.request().Remove("ScriptFile");
    EXPECT_EQ(run.One("show(Path.GetSpecialPath('SOURCE'))"), "\"/a/b\"");
}

bool Exists(const std::string& path) {
    return boost::filesystem::exists(path);
}

TEST(PathObject, TemporaryFilesLiveAsLongAsTheContext) {
    ShownRun run;
    const std::vector<std::string> lines =
        run("show(Path.GenerateTemp()); show(Path.GenerateTemp('png')); show(Path.GenerateTemp('.tar.gz'));"
            "show(Path.GenerateTemp(undefined))");
    ASSERT_EQ(lines.size(), 4u);
    std::vector<std::string> files;
    const char* suffixes[] = {".tmp", ".tmp.png", ".tmp.tar.gz", ".tmp"};
    for (std::size_t i = 0; i < lines.size(); ++i) {
        picojson::value shown;
        ASSERT_TRUE(picojson::parse(shown, lines[i]).empty());
        ASSERT_TRUE(shown.is<std::string>()) << lines[i];
        const std::string name = shown.get<std::string>();
        EXPECT_TRUE(boost::starts_with(name, "/tmp/jsf")) << name;
        EXPECT_TRUE(boost::ends_with(name, suffixes[i])) << name;
        // The file itself, the ".tmp" file and the reserving file all exist.
        const std::string tmp = name.substr(0, name.find(".tmp") + 4);
        const std::string reserved = tmp.substr(0, tmp.size() - 4);
        for (const std::string& file : {name, tmp, reserved}) {
            EXPECT_TRUE(Exists(file)) << file;
            EXPECT_EQ(boost::filesystem::file_size(file), 0u) << file;
            files.push_back(file);
        }
    }
    // A file the script removed itself does not disturb the clean-up.
    const std::string name = lines[0].substr(1, lines[0].size() - 2);
    EXPECT_EQ(run.One("show(System.DeleteFile(" + Js(name) + "))"), "true");

    run.context().Destroy();
    for (const std::string& file : files) EXPECT_FALSE(Exists(file)) << file;
}

TEST(PathObject, TemporaryExtensionNamesNoOtherDirectory) {
    ShownRun run;
    EXPECT_EQ(run.One("show(Path.GenerateTemp('/../../x'))"), "null");
    EXPECT_EQ(run.One("show(Path.GenerateTemp('png\\0x'))"), "null");
}

TEST(PathObject, ThrowingArgumentsEndTheCall) {
    for (const char* call : {"Path.Combine({toString() { throw 1; }}, 'x')", "Path.GenerateTemp(Symbol())",
                             "Path.FileNameOf(Symbol())", "Path.GetSpecialPath.call({}, 'HOME')"}) {
        ShownRun run;
        EXPECT_EQ(run.One("try { "s + call + "; show('returned'); } catch (e) { show('caught'); }"), "\"caught\"")
            << call;
    }
}

}  // namespace
