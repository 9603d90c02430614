// The editing commands of a document, addressed by the numeric identifiers
// the editor sends (those of the browser's command group), with execute,
// status and value queries.
//
// Supported: 15 copy, 16 cut, 17 delete, 26 paste, 18 font name, 19 font
// size (FONT Size), 29 redo, 31 select all, 43 undo, 51 background colour,
// 52 bold, 55 text colour, 56 italic, 57 centre, 59 left, 60 right,
// 63 underline, 2124 hyperlink, 2150 horizontal rule, 2168 image,
// 2184 numbered list, 2185 bulleted list, and the editing-area settings 2400
// and 2410, which are accepted and remembered. Every change is one undo step.
// Commands that change the document need design mode on; copy does not.
#pragma once

#include <memory>
#include <optional>
#include <string>

namespace vellum::html {

class Document;

namespace command {
inline constexpr int Copy = 15;
inline constexpr int Cut = 16;
inline constexpr int Delete = 17;
inline constexpr int FontName = 18;
inline constexpr int FontSize = 19;
inline constexpr int Paste = 26;
inline constexpr int Redo = 29;
inline constexpr int SelectAll = 31;
inline constexpr int Undo = 43;
inline constexpr int BackColor = 51;
inline constexpr int Bold = 52;
inline constexpr int ForeColor = 55;
inline constexpr int Italic = 56;
inline constexpr int JustifyCenter = 57;
inline constexpr int JustifyLeft = 59;
inline constexpr int JustifyRight = 60;
inline constexpr int Underline = 63;
inline constexpr int Hyperlink = 2124;
inline constexpr int HorizontalLine = 2150;
inline constexpr int Image = 2168;
inline constexpr int OrderList = 2184;
inline constexpr int UnorderList = 2185;
inline constexpr int AutoUrlDetect = 2400;
inline constexpr int KeepSelection = 2410;
} // namespace command

// Status bits, as the browser reported them.
namespace status {
inline constexpr int Supported = 1;
inline constexpr int Enabled = 2;
inline constexpr int Latched = 4;
} // namespace status

// A command argument or a value query's answer.
struct CommandValue
{
    enum class Kind { Empty, Integer, Boolean, String };

    static CommandValue Integer(int value) { return {Kind::Integer, value, false, {}}; }
    static CommandValue Boolean(bool value) { return {Kind::Boolean, 0, value, {}}; }
    static CommandValue String(std::u16string value)
    {
        return {Kind::String, 0, false, std::move(value)};
    }

    Kind kind = Kind::Empty;
    int integer = 0;
    bool boolean = false;
    std::u16string string;
};

// What cut and copy put on the clipboard and paste takes from it.
struct ClipboardContent
{
    std::u16string html;
    std::u16string text;
};

// The clipboard seam: the view connects the system clipboard; without one
// a clipboard private to the command target is used.
class Clipboard
{
public:
    virtual ~Clipboard() = default;
    virtual void SetContent(const ClipboardContent& content) = 0;
    virtual ClipboardContent Content() const = 0;
};

// Asks the user for an address when hyperlink or image run with prompting;
// the editor connects it to its desktop services. Empty means cancelled.
class AddressPrompt
{
public:
    enum class Purpose { Hyperlink, Image };
    virtual ~AddressPrompt() = default;
    virtual std::optional<std::u16string> AskAddress(Purpose purpose,
                                                     const std::u16string& initial) = 0;
};

class CommandTarget
{
public:
    explicit CommandTarget(Document& document);
    ~CommandTarget();
    CommandTarget(const CommandTarget&) = delete;
    CommandTarget& operator=(const CommandTarget&) = delete;

    // Seams; not owned, null restores the defaults (private clipboard, no
    // prompt: prompting commands then need their argument).
    void SetClipboard(Clipboard* clipboard);
    void SetAddressPrompt(AddressPrompt* prompt);

    // Runs a command; false when it is unknown, not possible here (no
    // selection, design mode off, missing argument) or cancelled.
    bool Exec(int commandId, const CommandValue& argument = {}, bool prompt = false);
    // Status bits; 0 for an unknown command.
    int QueryStatus(int commandId) const;
    // The command's value at the selection: the font name the text
    // inherits from a FONT face or a font-family style (String), the
    // FONT size 1-7 (Integer, 3 when none is set), colours as integers in
    // the browser's 0x00BBGGRR form, settings and toggles as Boolean. None
    // for commands without a value.
    std::optional<CommandValue> QueryValue(int commandId) const;

    // The face the value query reports where no face is set.
    void SetDefaultFontName(std::u16string name) { defaultFontName_ = std::move(name); }

private:
    bool ExecEditing(int commandId, const CommandValue& argument, bool prompt);
    bool ToggleInline(int commandId);
    bool SetInline(int commandId, const std::u16string& value);
    bool Copy();
    bool Paste();
    bool InsertHyperlink(const CommandValue& argument, bool prompt);
    bool InsertImage(const CommandValue& argument, bool prompt);
    std::optional<std::u16string> Address(const CommandValue& argument, bool prompt, int purpose,
                                          const std::u16string& initial);
    bool HasSelectedContent() const;
    Clipboard& ActiveClipboard() const;

    Document& document_;
    Clipboard* clipboard_ = nullptr;
    AddressPrompt* prompt_ = nullptr;
    std::unique_ptr<Clipboard> ownClipboard_;
    std::u16string defaultFontName_ = u"\u5B8B\u4F53";
    bool autoUrlDetect_ = false;
    bool keepSelection_ = false;
};

} // namespace vellum::html
