#pragma once

#include "sqltext/ObjectName.h"
#include "sqltext/ProcScript.h"

#include <optional>
#include <string>
#include <vector>

namespace varnett::sqltext {

// Both parts alike, letter for letter.
inline bool sameObjectName(const ObjectName& a, const ObjectName& b)
{
    return a.schema == b.schema && a.name == b.name;
}

// The structure of tables and views as the schema script writes them. Texts
// of expressions (defaults, computed columns, checks) are T-SQL as the
// catalog keeps them; names are as the catalog writes them, without brackets.

struct IdentitySpec {
    std::string seed = "1";
    std::string increment = "1";
    bool operator==(const IdentitySpec&) const = default;
};

struct SchemaColumn {
    std::string name;
    std::string type;               // "int", "nvarchar(40)", "decimal(19,4)"; empty when computed
    bool nullable = true;
    std::optional<IdentitySpec> identity;
    std::string defaultName;        // the DEFAULT constraint's name
    std::string defaultText;        // its expression; empty for none
    std::string computedText;       // the expression of a computed column; empty for none
    bool persisted = false;         // a computed column kept with the row
    std::string collation;          // empty: the database's
    bool operator==(const SchemaColumn&) const = default;
};

struct KeyColumn {
    std::string name;
    bool descending = false;
    bool operator==(const KeyColumn&) const = default;
};

// A PRIMARY KEY or UNIQUE constraint.
struct SchemaKey {
    std::string name;
    bool primary = false;
    bool clustered = false;
    std::vector<KeyColumn> columns;
    bool operator==(const SchemaKey&) const = default;
};

struct SchemaCheck {
    std::string name;
    std::string text;               // the condition, as in CHECK (text)
    bool operator==(const SchemaCheck&) const = default;
};

// An index that is no key constraint's.
struct SchemaIndex {
    std::string name;
    bool unique = false;
    bool clustered = false;
    std::vector<KeyColumn> columns;
    std::vector<std::string> included;
    bool operator==(const SchemaIndex&) const = default;
};

enum class ReferentialAction { NoAction, Cascade, SetNull, SetDefault };

struct SchemaForeignKey {
    std::string name;
    std::vector<std::string> columns;
    ObjectName referenced;
    std::vector<std::string> referencedColumns;
    ReferentialAction onDelete = ReferentialAction::NoAction;
    ReferentialAction onUpdate = ReferentialAction::NoAction;
    bool operator==(const SchemaForeignKey& other) const
    {
        return name == other.name && columns == other.columns
            && sameObjectName(referenced, other.referenced)
            && referencedColumns == other.referencedColumns && onDelete == other.onDelete
            && onUpdate == other.onUpdate;
    }
};

struct SchemaTable {
    ObjectName name;
    std::vector<SchemaColumn> columns;
    std::vector<SchemaKey> keys;            // the primary key first, then unique constraints
    std::vector<SchemaCheck> checks;
    std::vector<SchemaIndex> indexes;
    std::vector<SchemaForeignKey> foreignKeys;
    bool operator==(const SchemaTable& other) const
    {
        return sameObjectName(name, other.name) && columns == other.columns
            && keys == other.keys && checks == other.checks && indexes == other.indexes
            && foreignKeys == other.foreignKeys;
    }
};

struct SchemaView {
    ObjectName name;
    std::string text;                       // CREATE VIEW ..., byte for byte
    ProcedureSettings settings;
    bool operator==(const SchemaView& other) const
    {
        return sameObjectName(name, other.name) && text == other.text && settings.quotedIdentifier == other.settings.quotedIdentifier
            && settings.ansiNulls == other.settings.ansiNulls;
    }
};

// A table or a view, as an engine describes it.
struct SchemaObject {
    bool isView = false;
    SchemaTable table;                      // a table's structure
    SchemaView view;                        // a view's text
};

} // namespace varnett::sqltext
