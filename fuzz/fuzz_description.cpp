// The rendering of descriptions and sources into the HTML documentation,
// and the text-file rule every export file is written with: descriptions
// are free text from the database.
// Properties: no CR LF survives the description rendering and every other
// byte passes unchanged; the source rendering drops exactly the CRs; the
// text file stores exactly the bytes written, each LF as CR LF.
#include "FuzzSupport.h"
#include "export/HTMLText.h"
#include "export/TextFile.h"

#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>
#include <unistd.h>

namespace {

const std::string& ScratchFile()
{
    static const std::string path = [] {
        const char* tmp = std::getenv("TMPDIR");
        std::string p = std::string(tmp && *tmp ? tmp : "/tmp") + "/varnel_fuzz_text_" + std::to_string(::getpid()) +
                        ".txt";
        std::atexit([] { std::remove(ScratchFile().c_str()); });
        return p;
    }();
    return path;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text = fuzz::Text(data, size);

    const std::string html = RenderHTMLDescription(text);
    FUZZ_CHECK(html.find("\r\n") == std::string::npos, html);
    std::string expected;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '\r' && i + 1 < text.size() && text[i + 1] == '\n') {
            expected += "<br>";
            ++i;
        } else {
            expected += text[i];
        }
    }
    FUZZ_CHECK(html == expected, html);

    const std::string source = RenderHTMLSource(text);
    std::string noCR;
    for (char c : text)
        if (c != '\r')
            noCR += c;
    FUZZ_CHECK(source == noCR, source);

    std::string stored;
    for (char c : text) {
        if (c == '\n')
            stored += '\r';
        stored += c;
    }
    {
        TTextFile f(ScratchFile());
        // Written in two pieces, the second as a line: the rule holds
        // across calls.
        const std::size_t half = text.size() / 2;
        f.Write(text.substr(0, half));
        f.WriteLine(text.substr(half));
        FUZZ_CHECK(f.Size() == stored.size() + 2, text);
        f.Close();
    }
    std::ifstream in(ScratchFile(), std::ios::binary);
    const std::string onDisk((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    FUZZ_CHECK(onDisk == stored + "\r\n", onDisk);
    return 0;
}
