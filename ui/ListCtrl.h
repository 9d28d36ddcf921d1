#pragma once
// Stand-in for the report-view list control: a table view over a model that keeps each row's
// cells as Windows-1252 bytes and converts only the rows on screen. Rows go in with
// InsertItem / SetItemText like the native control; any number of rows, any cell length.
// The list may show only some of its rows (a filter); items are then numbered among those.

#include <QAbstractTableModel>
#include <QTableView>

#include <string>
#include <vector>

namespace ui {

class ListModel : public QAbstractTableModel {
    Q_OBJECT
  public:
    using QAbstractTableModel::QAbstractTableModel;

    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;

    void AddColumn(int index, const QString& title);
    int InsertRow(int index, const std::string& label);
    void SetCell(int row, int column, const std::string& text);
    std::string Cell(int row, int column) const;
    void Clear();
    // Shows only rows (indexes among all rows, ascending), or all of them again. Inserting
    // or clearing rows shows all of them again.
    void ShowRows(std::vector<int> rows);
    void ShowAllRows();
    // The index among all rows of a shown row.
    int SourceRow(int row) const { return m_filtered ? m_shown[row] : row; }
    // While suspended, rows change without notifying views; Resume resets the views once.
    void Suspend();
    void Resume();

  private:
    std::vector<QString> m_titles;
    std::vector<std::string> m_rows; // cells of a row joined by NUL bytes
    bool m_filtered = false;
    std::vector<int> m_shown; // while filtered, the rows shown
    bool m_suspended = false;
};

class CListCtrl : public QTableView {
    Q_OBJECT
  public:
    explicit CListCtrl(QWidget* parent = nullptr);

    int InsertColumn(int column, const QString& title, int widthPx);
    // Inserts a row at index (clamped to the end) with its first cell; returns its index.
    // With the ascending-sort style on, the row goes where its label sorts instead.
    int InsertItem(int index, const std::string& label);
    bool SetItemText(int item, int subItem, const std::string& text);
    std::string GetItemText(int item, int subItem) const;
    bool DeleteAllItems();
    int GetItemCount() const;
    // The row last selected by the user (or set), -1 if none.
    int GetSelectionMark() const;
    void SetSelectionMark(int item);
    // Scrolls so the row is fully visible.
    bool EnsureVisible(int item);
    void SetSortAscending(bool on);
    bool SortAscending() const { return m_sortAscending; }
    void SetGridLines(bool on);
    // Off: a selected row is highlighted in its first column only (no full-row-select style).
    void SetFullRowSelect(bool on);
    bool FullRowSelect() const { return m_fullRowSelect; }
    // Like WM_SETREDRAW: false batches row changes, true shows them all at once.
    void SetRedraw(bool on);
    // Shows only the rows given (indexes among all rows, ascending), or every row again. The
    // selected row stays selected while it is shown.
    void ShowOnlyItems(std::vector<int> rows);
    void ShowAllItems();
    // The index among all rows of a shown item, -1 if there is none.
    int SourceItem(int item) const;

    ListModel* Model() const { return m_model; }

  signals:
    // A double click anywhere in the list (NM_DBLCLK).
    void DoubleClicked();

  protected:
    void mouseDoubleClickEvent(QMouseEvent* event) override;
    void showEvent(QShowEvent* event) override;

  private:
    // Selects the row that was row source among all rows again, if it is shown.
    void KeepSelection(int source);

    ListModel* m_model;
    bool m_sortAscending = false;
    int m_selectionMark = -1;
    bool m_fullRowSelect = true;
    // Row to scroll into view once the control is shown (a hidden view has no real height).
    int m_pendingVisible = -1;
};

} // namespace ui
