#pragma once
// The option intake: what the option fields hold becomes the working state, cleaned, with
// its defaults filled in, before either main action touches a file. Front-end neutral: the
// window and the command line both hand in the field texts and apply the write-backs.
#include <cstdint>
#include <optional>

#include "options/working_state.h"
#include "platform/text.h"
#include "platform/ui_port.h"

namespace pw {

// What the option fields hold at the moment of the click.
struct OptionFields {
    Text txtFile;
    Text txtOut;
    Text txtFileOut;
    Text txtFindStr;
    Text txtNum;
    int chkDeleteSpc = 0; // 0 clear, 1 ticked, 2 greyed
    int chkDoEvents = 0;
    // Not a field: the output encoding chosen in the output button's menu (or on the
    // command line), taken in with the fields so every option reaches the state one way.
    OutputEncoding outputEncoding = OutputEncoding::Keep;
};

// What the intake writes back into the fields; the front end applies each one, and a field
// that gets a text runs its change reaction as after any other edit.
struct FieldWriteBacks {
    std::optional<Text> txtFileOut; // the cleaned name, number included
    std::optional<Text> txtFindStr; // the default pattern, when the field was blank
    std::optional<Text> txtNum;     // the default count, when the count was below 1
    bool txtFileWhite = false;      // a new scan begins: clear txtFile's warning colour
};

// Takes `fields` into `state` step by step; each member is stored as soon as its field is
// read, so a refusal leaves the earlier members updated and the later ones as they were.
// Refusals and the offer to create a missing output folder go through `ui`. Returns true
// when the caller may go on; on false the caller stops without a message of its own.
// Write-backs made before a refusal are reported too.
bool CheckOptions(const OptionFields& fields, std::int32_t lngResetColour, WorkingState& state, UiPort& ui,
                  FieldWriteBacks& writeBacks);

// The nine characters a file name cannot hold: * \ / : ? " < > |
constexpr bool isForbiddenNameChar(char16_t c) {
    return c == u'*' || c == u'\\' || c == u'/' || c == u':' || c == u'?' || c == u'"' || c == u'<' || c == u'>' ||
           c == u'|';
}

// A chosen or dropped input file: too short to be a path (a cancelled dialog gives ""), a
// text file by its last four characters (".inf", ".ini", ".txt", case counts), or not.
enum class InputFileVerdict { Ignore, Accept, Refuse };
InputFileVerdict judgeInputFile(TextView path);
inline constexpr char16_t kNotTextFile[] = u"不是文本格式的文件！";
// A picked name the toolkit could only spell with U+FFFD: its bytes are lost, so the file
// cannot be opened under that name.
inline constexpr char16_t kUnreadableFileName[] = u"文件名含有无法识别的字符，无法打开，请先给文件改名！";

} // namespace pw
