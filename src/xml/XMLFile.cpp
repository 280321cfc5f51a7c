#include "xml/XMLFile.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <unistd.h>

namespace {

// Bytes collected before they are written out.
constexpr std::size_t kBufferSize = 64 * 1024;

} // namespace

TXMLFile::TXMLFile(const std::string& FileName, const std::string& Version,
                   const std::string& Encoding, const std::string& Extra)
    : FFileName(FileName)
{
    FFd = ::open(FileName.c_str(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (FFd < 0)
        throw EXMLError("Could not open file " + FileName);
    FBuffer.reserve(kBufferSize + 256);
    WriteLine("<?xml version='" + Version + "' encoding='" + Encoding + "' " + Extra + "?>");
    WriteLine("");
}

TXMLFile::~TXMLFile() noexcept
{
    if (FFd < 0)
        return;
    if (FError.empty()) {
        try {
            while (!FOpen.empty())
                EndElement();
            FlushBuffer();
        } catch (...) {
            // Nothing can be reported from here; Close() is the way to learn
            // about a failure.
        }
    }
    ::close(FFd);
}

void TXMLFile::StartRoot(const std::string& Name)
{
    FRoot = true;
    StartElement(Name, "");
}

void TXMLFile::StartElement(const std::string& Name, const std::string& /*Attributes*/)
{
    CheckRoot();
    CheckUsable();
    WriteLine(std::string(FIndent, ' ') + "<" + Name + ">");
    FOpen.push_back(Name);
    FIndent += FIndentStep;
}

void TXMLFile::EndElement(const std::string& Name)
{
    CheckUsable();
    if (FOpen.empty())
        throw EXMLError("XML ERROR: No open element to end");
    if (!Name.empty() && Name != FOpen.back())
        throw EXMLError("XML ERROR: end tag mismatch! Expected: </" + Name + ">, found </" +
                        FOpen.back() + ">");
    PopElement();
}

void TXMLFile::PopElement()
{
    FIndent -= FIndentStep;
    WriteLine(std::string(FIndent, ' ') + "</" + FOpen.back() + ">");
    FOpen.pop_back();
}

void TXMLFile::WriteElement(const std::string& Name, const std::string& Value,
                            const std::string& Attributes)
{
    CheckRoot();
    CheckUsable();
    std::string line(FIndent, ' ');
    line += '<';
    line += Name;
    if (!Attributes.empty()) {
        line += ' ';
        line += Attributes;
    }
    line += '>';
    line += Escape(Value);
    line += "</";
    line += Name;
    line += '>';
    WriteLine(line);
}

void TXMLFile::WriteComment(const std::string& Text)
{
    CheckUsable();
    WriteLine(std::string(FIndent, ' ') + "<!-- " + Text + " -->");
}

void TXMLFile::SetIndentationStep(int Step)
{
    if (FRoot)
        throw EXMLError("ERROR: Indentation may only be changed before the root element is defined");
    if (Step < 0)
        throw EXMLError("ERROR: Indentation step must not be negative");
    FIndentStep = Step;
}

void TXMLFile::Close()
{
    if (FFd < 0)
        return;
    try {
        while (!FOpen.empty())
            EndElement();
        FlushBuffer();
    } catch (...) {
        ::close(FFd);
        FFd = -1;
        throw;
    }
    int rc = ::close(FFd);
    FFd = -1;
    if (rc != 0)
        Fail(errno);
}

std::string TXMLFile::Escape(std::string_view Text)
{
    std::string out;
    out.reserve(Text.size() + Text.size() / 8);
    // Runs without a special character are copied whole.
    std::size_t run = 0;
    for (std::size_t i = 0; i < Text.size(); ++i) {
        const char* entity;
        switch (Text[i]) {
        case '&': entity = "&amp;"; break;
        case '<': entity = "&lt;"; break;
        case '>': entity = "&gt;"; break;
        case '\'': entity = "&apos;"; break;
        case '"': entity = "&quot;"; break;
        default: continue;
        }
        out.append(Text.data() + run, i - run);
        out += entity;
        run = i + 1;
    }
    out.append(Text.data() + run, Text.size() - run);
    return out;
}

void TXMLFile::CheckRoot() const
{
    if (!FRoot)
        throw EXMLError("XML ERROR: No root element defined");
}

void TXMLFile::CheckUsable() const
{
    if (!FError.empty())
        throw EXMLError(FError);
    if (FFd < 0)
        throw EXMLError("XML ERROR: file " + FFileName + " is closed");
}

void TXMLFile::WriteLine(std::string_view Text)
{
    Write(Text);
    Write("\n");
}

void AppendTextFileBytes(std::string& Buffer, std::string_view Text)
{
    for (std::size_t lf; (lf = Text.find('\n')) != std::string_view::npos; Text.remove_prefix(lf + 1)) {
        Buffer.append(Text.data(), lf);
        Buffer.append("\r\n", 2);
    }
    Buffer.append(Text.data(), Text.size());
}

void TXMLFile::Write(std::string_view Text)
{
    AppendTextFileBytes(FBuffer, Text);
    if (FBuffer.size() >= kBufferSize)
        FlushBuffer();
}

void TXMLFile::FlushBuffer()
{
    std::size_t done = 0;
    while (done < FBuffer.size()) {
        ssize_t n = ::write(FFd, FBuffer.data() + done, FBuffer.size() - done);
        if (n < 0) {
            if (errno == EINTR)
                continue;
            Fail(errno);
        }
        done += static_cast<std::size_t>(n);
    }
    FBuffer.clear();
}

void TXMLFile::Fail(int Errno)
{
    FBuffer.clear();
    FError = "Could not write file " + FFileName + ": " + std::strerror(Errno);
    throw EXMLError(FError);
}
