#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace varnett::sqltext {

// The first statement of a T-SQL batch that SQL Server refuses inside a
// transaction (CREATE, ALTER or DROP DATABASE, BACKUP, RESTORE, RECONFIGURE,
// CREATE, ALTER or DROP FULLTEXT CATALOG or INDEX), named by its keywords in
// upper case ("CREATE DATABASE"); none when the batch holds none. Words in
// strings, quoted names and comments do not count.
std::optional<std::string> statementRefusedInTransaction(std::string_view batch);

// The schemas a batch creates: the name after each CREATE SCHEMA, also where
// the statement is a string the batch executes (EXEC (N'CREATE SCHEMA [x]')).
// Words in comments and quoted names do not count.
std::vector<std::string> schemasCreated(std::string_view batch);

} // namespace varnett::sqltext
