#pragma once

#include <string>
#include <vector>

namespace varnett::sqltext {

// What the catalog tells of a table's key and of the columns the server
// fills, by column name as the catalog writes it. A view, or a table
// without such columns, gives empty lists.
struct TableKeys {
    // The primary key's columns in key order; without a primary key, the
    // columns of the first unique index; else none.
    std::vector<std::string> key;
    bool primaryKey = false;            // key is the primary key, not a unique index
    std::string keyName;                // the constraint's or index's name, when known
    std::vector<std::string> identity;  // identity columns (the server allows one)
    std::vector<std::string> rowversion;// rowversion (timestamp) columns
    std::vector<std::string> computed;  // computed (generated) columns
};

} // namespace varnett::sqltext
