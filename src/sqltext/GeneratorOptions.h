#pragma once

namespace varnett::sqltext {

// The switches that change what the generators write. All off (the
// default) gives the plain procedure text.
struct GeneratorOptions {
    bool setNoCount = false;        // "SET NOCOUNT ON;" first in the body
    bool tryCatch = false;          // the body in TRY/CATCH with a transaction
    bool createOrAlter = false;     // CREATE OR ALTER PROCEDURE
    bool identityOutput = false;    // INSERT returns the new identity in an OUTPUT parameter
    bool keyConditions = false;     // UPDATE and DELETE find the row by the table's key
    bool rowversionCheck = false;   // UPDATE and DELETE check the rowversion, THROW when no row changed

    bool operator==(const GeneratorOptions&) const = default;
};

} // namespace varnett::sqltext
