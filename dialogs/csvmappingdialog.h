#pragma once

#include "csvmapping.h"

#include <QByteArray>
#include <QDialog>
#include <QList>
#include <QStringList>

#include <memory>

class QComboBox;

namespace Ui {
class CsvMappingDialog;
}

// Where a person says, once per bank (or spreadsheet), which column holds what and how dates
// and amounts are written, looking at the first rows of the file as they are split. OK saves
// the mapping under its name in system.db; the dialog stays open when that fails.
class CsvMappingDialog : public QDialog
{
    Q_OBJECT

public:
    // What the mapping is for: a CSV statement (every field), a QIF statement (only the date
    // order and the decimal mark) or a CSV of bills (payee, description, due date, amount and
    // paid date columns).
    enum class Purpose
    {
        Statement,
        Qif,
        Bills
    };

    // start: the first bytes of the chosen file, for the preview; empty for a QIF statement.
    CsvMappingDialog(Purpose purpose, const QByteArray &start, QWidget *parent = nullptr);
    ~CsvMappingDialog() override;

    // Fills every field from a saved mapping.
    void setMapping(const CsvMapping &mapping);
    // What the fields say now.
    CsvMapping mapping() const;

public slots:
    void accept() override;

private:
    // One column field: the combo, the member of CsvMapping it sets and whether "none" is a
    // choice there.
    struct ColumnField
    {
        QComboBox *combo;
        int CsvMapping::*column;
        bool allowsNone;
    };
    QList<ColumnField> columnFields() const;

    void setUpForPurpose();
    void fillFixedChoices();
    void connectFields();
    CsvMapping firstMapping() const;
    void loadSaved(const QString &name);
    // The preview and the column choices after the separator or the rows to skip changed.
    void refreshPreview();
    void fillColumnCombos(const CsvMapping &wanted);
    QString columnLabel(int column, const QStringList &headers) const;
    void fillPreviewTable();
    // The problem label and the OK button after any field changed.
    void updateState();
    QString problem() const;
    QString readingProblem() const;

    std::unique_ptr<Ui::CsvMappingDialog> m_ui;
    Purpose m_purpose;
    QByteArray m_start;
    // The first rows of the file as the chosen separator splits them.
    QList<QStringList> m_rows;
    // The date format of the mapping last set, kept by a QIF mapping that does not change it.
    QString m_setDateFormat;
};
