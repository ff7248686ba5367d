// The shared objects' dynamic symbol tables: libvantrel.so exports exactly the 32
// functions of its header and links nothing of Qt; each plug-in exports its factory.

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>
#include <string>

namespace {

std::string RunCommand(const std::string& command) {
    std::string out;
    FILE* pipe = ::popen(command.c_str(), "r");
    if (pipe == nullptr)
        return out;
    char buffer[4096];
    size_t n;
    while ((n = std::fread(buffer, 1, sizeof buffer, pipe)) > 0)
        out.append(buffer, n);
    ::pclose(pipe);
    return out;
}

std::set<std::string> DefinedSymbols(const std::string& library) {
    std::set<std::string> names;
    std::istringstream lines(RunCommand("nm -D --defined-only '" + library + "'"));
    std::string address, kind, name;
    while (lines >> address >> kind >> name)
        names.insert(name);
    return names;
}

} // namespace

TEST(Symbols, LibraryExportsExactlyTheHeadersFunctions) {
    std::ifstream header(VANTREL_HEADER);
    std::stringstream text;
    text << header.rdbuf();
    const std::string source = text.str();
    std::set<std::string> declared;
    const std::regex exportPattern(R"(VANTREL_API\s+\w+\s+(VANTREL_\w+)\s*\()");
    for (std::sregex_iterator it(source.begin(), source.end(), exportPattern), end; it != end; ++it)
        declared.insert((*it)[1]);
    ASSERT_EQ(declared.size(), 32u) << "the header declares the 32 exports";

    const std::set<std::string> defined = DefinedSymbols(VANTREL_LIBRARY);
    ASSERT_FALSE(defined.empty()) << "nm found nothing in " VANTREL_LIBRARY;
    EXPECT_EQ(defined, declared);
}

TEST(Symbols, NoQtInTheLibraryOrItsPlugins) {
    for (const char* library : {VANTREL_LIBRARY, VANTREL_NULL_PLUGIN, VANTREL_JACK_PLUGIN}) {
        const std::string needed = RunCommand(std::string("readelf -d '") + library + "'");
        ASSERT_NE(needed.find("NEEDED"), std::string::npos) << library;
        EXPECT_EQ(needed.find("Qt"), std::string::npos) << library << " links Qt:\n" << needed;
    }
    EXPECT_NE(RunCommand("readelf -d '" VANTREL_LIBRARY "'").find("libtamvik_post.so"), std::string::npos)
        << "messages must go through the one shared registry";
}

TEST(Symbols, PluginsExportTheirFactory) {
    EXPECT_EQ(DefinedSymbols(VANTREL_JACK_PLUGIN), std::set<std::string>{"vantrel_driver_factory"});
    EXPECT_EQ(
        DefinedSymbols(VANTREL_NULL_PLUGIN),
        (std::set<std::string>{"vantrel_driver_factory", "vantrel_null_played", "vantrel_null_switches"}));
}
