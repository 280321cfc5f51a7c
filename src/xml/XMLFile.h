#pragma once
// Streaming writer of indented XML.
#include <cstddef>
#include <stdexcept>
#include <string>
#include <string_view>
#include <vector>

// Raised by TXMLFile for every failure: the file cannot be opened or
// written, an element before the root, a mismatched end tag.
class EXMLError : public std::runtime_error {
public:
    using std::runtime_error::runtime_error;
};

// Appends Text to Buffer the way a text file stores it: every LF as CR LF,
// every other byte unchanged. The XML writer and the export's text files
// both store their bytes this way.
void AppendTextFileBytes(std::string& Buffer, std::string_view Text);

// TXMLFile writes one XML document into a file it owns, element by element,
// each on its own line as soon as it is called. It keeps only the names of
// the open elements. The file is text: every LF written (line ends and LFs
// inside values) is stored as CR LF; a CR is stored unchanged. Bytes are
// written as given, without character-set conversion.
//
// Close() finishes the document (closes every open element, innermost
// first), writes out the buffer and closes the file, raising EXMLError when
// any of it fails. The destructor does the same when Close() was not
// called, best effort and without throwing, so an export that ends with an
// error still leaves a well-formed (if incomplete) document. After a write
// failure every further operation raises the same error and the destructor
// writes nothing more.
class TXMLFile {
public:
    // Creates or truncates FileName and writes the declaration
    // "<?xml version='V' encoding='E' X?>" and an empty line. Extra is
    // written verbatim. Raises "Could not open file <FileName>".
    TXMLFile(const std::string& FileName, const std::string& Version,
             const std::string& Encoding, const std::string& Extra);
    ~TXMLFile() noexcept;
    TXMLFile(const TXMLFile&) = delete;
    TXMLFile& operator=(const TXMLFile&) = delete;

    // Sets the root flag, then StartElement(Name, "").
    void StartRoot(const std::string& Name);
    // Writes "<Name>" on its own line at the current indentation and opens
    // a level. Attributes is accepted and not written. Raises
    // "XML ERROR: No root element defined" before StartRoot.
    void StartElement(const std::string& Name, const std::string& Attributes = {});
    // Closes the innermost element ("</name>" aligned with its start tag).
    // A non-empty Name must equal the innermost name exactly, else
    // "XML ERROR: end tag mismatch! Expected: </Name>, found </inner>" is
    // raised and nothing changes. An empty Name closes whatever is
    // innermost.
    void EndElement(const std::string& Name = {});
    // Writes "<Name[ Attributes]>" Escape(Value) "</Name>" on one line at
    // the current indentation. Raises the root error before StartRoot.
    void WriteElement(const std::string& Name, const std::string& Value,
                      const std::string& Attributes = {});
    // Writes "<!-- Text -->" on its own line at the current indentation.
    void WriteComment(const std::string& Text);
    // Blanks added per level (default 2). Refused once the root exists:
    // "ERROR: Indentation may only be changed before the root element is defined".
    void SetIndentationStep(int Step);
    int IndentationStep() const { return FIndentStep; }

    // Ends every open element, writes out and closes the file; raises
    // EXMLError naming the file when a write or the close fails. Does
    // nothing when already closed.
    void Close();

    // Escapes character data in one pass: & < > ' " become &amp; &lt;
    // &gt; &apos; &quot;. Everything else is kept.
    static std::string Escape(std::string_view Text);

    const std::string& FileName() const { return FFileName; }
    // Names of the open elements, outermost first.
    const std::vector<std::string>& OpenElements() const { return FOpen; }
    int Indentation() const { return FIndent; }

private:
    void CheckRoot() const;
    void CheckUsable() const;
    void Write(std::string_view Text);
    void WriteLine(std::string_view Text);
    void FlushBuffer();
    void Fail(int Errno);
    void PopElement();

    std::string FFileName;
    int FFd = -1;
    std::string FBuffer;
    std::string FError; // message of the first write failure
    bool FRoot = false;
    int FIndent = 0;
    int FIndentStep = 2;
    std::vector<std::string> FOpen;
};
