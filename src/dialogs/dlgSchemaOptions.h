#pragma once

#include "sqltext/SchemaScript.h"

#include <QDialog>

class QCheckBox;

namespace varnett {

// The options of the schema script, one check box each, all off at first.
class TfrmSchemaOptions : public QDialog {
    Q_OBJECT
public:
    explicit TfrmSchemaOptions(QWidget* parent = nullptr);

    sqltext::SchemaScriptOptions options() const;
    bool withData() const;

    QCheckBox* cbWithData = nullptr;
    QCheckBox* cbGuarded = nullptr;
    QCheckBox* cbDropFirst = nullptr;
    QCheckBox* cbLeaveOutForeignKeys = nullptr;
    QCheckBox* cbLeaveOutIndexes = nullptr;
};

// What the options dialog gave; `accepted` is false after Cancel.
struct SchemaOptionsChoice {
    bool accepted = false;
    sqltext::SchemaScriptOptions options;
    bool withData = false;
};

SchemaOptionsChoice askSchemaOptions(QWidget* parent = nullptr);

} // namespace varnett
