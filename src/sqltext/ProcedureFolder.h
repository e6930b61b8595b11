#pragma once

#include "sqltext/ObjectName.h"
#include "sqltext/ProcScript.h"

#include <optional>
#include <string>
#include <string_view>

namespace varnett::sqltext {

// The file of a procedure in a scripts folder: "Schema.Name.sql", the schema
// always written (dbo too). In each part "%" and "." and every byte that
// Windows or Linux refuses in a file name (control characters, < > : " / \ |
// ? *) are written %XX with two upper-case hex digits, as are a trailing
// blank and the first letter of a part that Windows reserves as a device
// name (CON, PRN, AUX, NUL, COM1 to COM9, LPT1 to LPT9, any letter case).
// Throws varnett::Error naming the procedure when the file name would be
// longer than 255 bytes.
std::string procedureFileName(const ObjectName& procedure);

// The procedure a file name of that form names; none for any other name
// (another extension, a part missing, a "%" not followed by two hex digits,
// a byte that the form always escapes, or an escape the form does not
// write: each procedure has one file name).
std::optional<ObjectName> procedureOfFileName(std::string_view fileName);

// A procedure as its file holds it: the settings it is created under and
// its text byte for byte.
struct ProcedureFile {
    ProcedureSettings settings;
    std::string text;

    friend bool operator==(const ProcedureFile&, const ProcedureFile&) = default;
};

// The file's text: "SET QUOTED_IDENTIFIER ON", "SET ANSI_NULLS ON" (each with
// the procedure's own value) and "GO", each ended by CR LF, then the text as
// it is, CR LF, "GO", CR LF. Throws varnett::Error naming the procedure and
// the line when a line of the text holds only GO.
std::string procedureFileText(const ObjectName& procedure, const ProcedureFile& file);

// Reads a file's text back as procedureFileText writes it; line ends may be
// CR LF or LF (an editor's or git's choice), the final line end may be
// missing. Throws varnett::Error naming the file for a text of another form.
ProcedureFile readProcedureFile(std::string_view text, std::string_view fileName);

} // namespace varnett::sqltext
