#include "ui/ListCtrl.h"

#include "platform/Cp1252.h"

#include <QHeaderView>
#include <QMouseEvent>
#include <QStyledItemDelegate>

#include <algorithm>

namespace ui {

namespace {

// Start and length of cell `column` inside a NUL-joined row; length 0 when absent.
std::pair<std::size_t, std::size_t> FindCell(const std::string& row, int column) {
    std::size_t start = 0;
    for (int c = 0; c < column; ++c) {
        std::size_t sep = row.find('\0', start);
        if (sep == std::string::npos)
            return {row.size(), 0};
        start = sep + 1;
    }
    std::size_t end = row.find('\0', start);
    if (end == std::string::npos)
        end = row.size();
    return {start, end - start};
}

// A cell is a C string: whatever follows an embedded NUL is not part of it.
std::string CellText(const std::string& text) {
    return text.substr(0, text.find('\0'));
}

// Paints the selection in the first column only when the list has no full-row-select style.
class SelectionDelegate : public QStyledItemDelegate {
  public:
    explicit SelectionDelegate(CListCtrl* list) : QStyledItemDelegate(list), m_list(list) {}

    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override {
        if (m_list->FullRowSelect() || index.column() == 0) {
            QStyledItemDelegate::paint(painter, option, index);
            return;
        }
        QStyleOptionViewItem plain(option);
        plain.state &= ~(QStyle::State_Selected | QStyle::State_HasFocus);
        QStyledItemDelegate::paint(painter, plain, index);
    }

  private:
    CListCtrl* m_list;
};

} // namespace

int ListModel::rowCount(const QModelIndex& parent) const {
    if (parent.isValid())
        return 0;
    return static_cast<int>(m_filtered ? m_shown.size() : m_rows.size());
}

int ListModel::columnCount(const QModelIndex& parent) const {
    return parent.isValid() ? 0 : static_cast<int>(m_titles.size());
}

QVariant ListModel::data(const QModelIndex& index, int role) const {
    if (!index.isValid() || role != Qt::DisplayRole)
        return {};
    const std::string& cells = m_rows[SourceRow(index.row())];
    auto [start, length] = FindCell(cells, index.column());
    return platform::FromCp1252(std::string_view(cells).substr(start, length));
}

QVariant ListModel::headerData(int section, Qt::Orientation orientation, int role) const {
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole || section < 0 ||
        section >= static_cast<int>(m_titles.size()))
        return {};
    return m_titles[section];
}

void ListModel::AddColumn(int index, const QString& title) {
    index = std::clamp(index, 0, static_cast<int>(m_titles.size()));
    beginInsertColumns({}, index, index);
    m_titles.insert(m_titles.begin() + index, title);
    endInsertColumns();
}

int ListModel::InsertRow(int index, const std::string& label) {
    // A row has no place among filtered ones: all rows come back.
    ShowAllRows();
    index = std::clamp(index, 0, static_cast<int>(m_rows.size()));
    if (!m_suspended)
        beginInsertRows({}, index, index);
    m_rows.insert(m_rows.begin() + index, CellText(label));
    if (!m_suspended)
        endInsertRows();
    return index;
}

void ListModel::SetCell(int row, int column, const std::string& text) {
    std::string& cells = m_rows[SourceRow(row)];
    std::size_t have = std::count(cells.begin(), cells.end(), '\0') + 1;
    if (have < static_cast<std::size_t>(column) + 1)
        cells.append(column + 1 - have, '\0');
    auto [start, length] = FindCell(cells, column);
    cells.replace(start, length, CellText(text));
    if (!m_suspended)
        emit dataChanged(index(row, column), index(row, column), {Qt::DisplayRole});
}

std::string ListModel::Cell(int row, int column) const {
    const std::string& cells = m_rows[SourceRow(row)];
    auto [start, length] = FindCell(cells, column);
    return cells.substr(start, length);
}

void ListModel::Clear() {
    // While suspended a reset is already open; Resume closes it.
    if (!m_suspended)
        beginResetModel();
    m_rows.clear();
    m_filtered = false;
    m_shown.clear();
    if (!m_suspended)
        endResetModel();
}

void ListModel::ShowRows(std::vector<int> rows) {
    if (!m_suspended)
        beginResetModel();
    m_shown = std::move(rows);
    m_filtered = true;
    if (!m_suspended)
        endResetModel();
}

void ListModel::ShowAllRows() {
    if (!m_filtered)
        return;
    if (!m_suspended)
        beginResetModel();
    m_filtered = false;
    m_shown = {};
    if (!m_suspended)
        endResetModel();
}

void ListModel::Suspend() {
    if (!m_suspended) {
        beginResetModel();
        m_suspended = true;
    }
}

void ListModel::Resume() {
    if (m_suspended) {
        m_suspended = false;
        endResetModel();
    }
}

CListCtrl::CListCtrl(QWidget* parent) : QTableView(parent), m_model(new ListModel(this)) {
    setModel(m_model);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    setSortingEnabled(false);
    setShowGrid(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 4);
    horizontalHeader()->setSectionsClickable(false);
    horizontalHeader()->setHighlightSections(false);
    horizontalHeader()->setStretchLastSection(false);
    horizontalHeader()->setDefaultAlignment(Qt::AlignLeft | Qt::AlignVCenter);
    setItemDelegate(new SelectionDelegate(this));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex& current) {
                if (current.isValid())
                    m_selectionMark = current.row();
            });
}

int CListCtrl::InsertColumn(int column, const QString& title, int widthPx) {
    m_model->AddColumn(column, title);
    setColumnWidth(column, widthPx);
    return column;
}

int CListCtrl::InsertItem(int index, const std::string& label) {
    if (m_sortAscending) {
        // Sorted insertion compares labels the way the user sees them.
        QString key = platform::FromCp1252(CellText(label));
        int lo = 0, hi = m_model->rowCount();
        while (lo < hi) {
            int mid = (lo + hi) / 2;
            if (QString::localeAwareCompare(platform::FromCp1252(m_model->Cell(mid, 0)), key) <= 0)
                lo = mid + 1;
            else
                hi = mid;
        }
        index = lo;
    }
    return m_model->InsertRow(index, label);
}

bool CListCtrl::SetItemText(int item, int subItem, const std::string& text) {
    if (item < 0 || item >= m_model->rowCount() || subItem < 0 || subItem >= m_model->columnCount())
        return false;
    m_model->SetCell(item, subItem, text);
    return true;
}

std::string CListCtrl::GetItemText(int item, int subItem) const {
    if (item < 0 || item >= m_model->rowCount() || subItem < 0)
        return {};
    return m_model->Cell(item, subItem);
}

bool CListCtrl::DeleteAllItems() {
    m_model->Clear();
    m_selectionMark = -1;
    m_pendingVisible = -1;
    return true;
}

int CListCtrl::GetItemCount() const {
    return m_model->rowCount();
}

int CListCtrl::GetSelectionMark() const {
    return m_selectionMark < m_model->rowCount() ? m_selectionMark : -1;
}

void CListCtrl::SetSelectionMark(int item) {
    m_selectionMark = item;
    if (item >= 0 && item < m_model->rowCount())
        selectRow(item);
    else
        clearSelection();
}

bool CListCtrl::EnsureVisible(int item) {
    if (item < 0 || item >= m_model->rowCount())
        return false;
    if (!isVisible()) {
        m_pendingVisible = item;
        return true;
    }
    m_pendingVisible = -1;
    // Rows added just before must be laid out, or the scroll range is still the old one.
    doItemsLayout();
    scrollTo(m_model->index(item, 0), QAbstractItemView::EnsureVisible);
    return true;
}

void CListCtrl::SetSortAscending(bool on) {
    m_sortAscending = on;
}

void CListCtrl::SetGridLines(bool on) {
    setShowGrid(on);
}

void CListCtrl::SetFullRowSelect(bool on) {
    m_fullRowSelect = on;
    viewport()->update();
}

void CListCtrl::SetRedraw(bool on) {
    if (on)
        m_model->Resume();
    else
        m_model->Suspend();
}

void CListCtrl::ShowOnlyItems(std::vector<int> rows) {
    const int selected = SourceItem(GetSelectionMark());
    m_model->ShowRows(std::move(rows));
    KeepSelection(selected);
}

void CListCtrl::ShowAllItems() {
    const int selected = SourceItem(GetSelectionMark());
    m_model->ShowAllRows();
    KeepSelection(selected);
}

int CListCtrl::SourceItem(int item) const {
    if (item < 0 || item >= m_model->rowCount())
        return -1;
    return m_model->SourceRow(item);
}

void CListCtrl::KeepSelection(int source) {
    // The reset dropped the selection, and any row index held is stale.
    m_selectionMark = -1;
    m_pendingVisible = -1;
    if (source < 0)
        return;
    int lo = 0, hi = m_model->rowCount();
    while (lo < hi) {
        const int mid = lo + (hi - lo) / 2;
        if (m_model->SourceRow(mid) < source)
            lo = mid + 1;
        else
            hi = mid;
    }
    if (lo < m_model->rowCount() && m_model->SourceRow(lo) == source)
        SetSelectionMark(lo);
}

void CListCtrl::showEvent(QShowEvent* event) {
    QTableView::showEvent(event);
    if (m_pendingVisible >= 0)
        EnsureVisible(m_pendingVisible);
}

void CListCtrl::mouseDoubleClickEvent(QMouseEvent* event) {
    QTableView::mouseDoubleClickEvent(event);
    QModelIndex at = indexAt(event->position().toPoint());
    if (at.isValid())
        m_selectionMark = at.row();
    emit DoubleClicked();
}

} // namespace ui
