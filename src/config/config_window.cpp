#include "config/config_window.h"

#include "config/key_filters.h"
#include "config/office_editor.h"
#include "shell/config_controls.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QEvent>
#include <QFocusEvent>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QTabWidget>
#include <QVBoxLayout>

namespace zumaset {

namespace {

QString Qt8(std::string_view text) {
    return QString::fromUtf8(text.data(), static_cast<qsizetype>(text.size()));
}

std::string Std(const QString& text) {
    return text.toUtf8().toStdString();
}

std::string Indexed(std::string_view group, int index) {
    return std::string(group) + "_" + std::to_string(index);
}

bool IsCancel(std::string_view name) {
    return name.starts_with(kCancelButton);
}

// The buttons whose action the dialog runs itself (Press).
bool IsOwnButton(const QString& name) {
    for (const auto group : {kOkButton, kCancelButton, kApplyButton, std::string_view("cmdBrowse")})
        if (name.startsWith(Qt8(group) + '_')) return true;
    return false;
}

// Where the next control of a tab or frame goes.
struct GridCursor {
    QGridLayout* layout = nullptr;
    int row = -1;
    int column = 0;
    QWidget* narrowCell = nullptr; // the last control placed, when it keeps its own width
};

void SetBold(QWidget* widget, bool bold) {
    auto font = widget->font();
    if (font.bold() == bold) return;
    font.setBold(bold);
    widget->setFont(font);
}

} // namespace

ConfigWindow::ConfigWindow(ConfigForm& form, std::string exeName, QWidget* parent, std::function<void()> onApplied)
    : QDialog(parent), form_(form), exeName_(std::move(exeName)), onApplied_(std::move(onApplied)) {
    Build();
}

ConfigWindow::~ConfigWindow() = default;

void ConfigWindow::Build() {
    setObjectName("Config");
    setWindowTitle(QStringLiteral("Zumaset - Konfigurace"));
    auto* layout = new QVBoxLayout(this);
    tabs_ = new QTabWidget(this);
    tabs_->setObjectName("CfgTab");
    layout->addWidget(tabs_);

    std::vector<QWidget*> pages;
    std::vector<GridCursor> pageCursors;
    for (int tab = 0; tab < kConfigTabCount; ++tab) {
        auto* page = new QWidget(tabs_);
        auto* pageLayout = new QVBoxLayout(page);
        auto* grid = new QGridLayout;
        pageLayout->addLayout(grid);
        pageLayout->addStretch();
        AddButtons(tab, page);
        tabs_->addTab(page, Qt8(ConfigTabCaption(tab)));
        pages.push_back(page);
        pageCursors.push_back({grid});
    }

    std::map<std::string_view, std::pair<QGroupBox*, GridCursor>> frames;
    for (const auto& info : ConfigControls()) {
        auto& pageCursor = pageCursors[static_cast<std::size_t>(info.tab)];
        if (info.kind == ControlKind::Frame) {
            auto* frame = new QGroupBox(Qt8(info.caption), pages[static_cast<std::size_t>(info.tab)]);
            frame->setObjectName(Qt8(info.name));
            pageCursor.layout->addWidget(frame, ++pageCursor.row, 0, 1, -1);
            auto* frameLayout = new QGridLayout(frame);
            frameLayout->setColumnStretch(1, 1);
            frames[info.name] = {frame, GridCursor{frameLayout}};
            widgets_.emplace(info.name, frame);
            continue;
        }
        const bool inFrame = !info.frame.empty();
        QWidget* parent = inFrame ? frames.at(info.frame).first : pages[static_cast<std::size_t>(info.tab)];
        auto& cursor = inFrame ? frames.at(info.frame).second : pageCursor;
        auto* widget = MakeControl(info, parent);
        const bool narrow = widget->maximumWidth() < QWIDGETSIZE_MAX;
        if (info.sameRow && cursor.row >= 0 && cursor.narrowCell != nullptr && info.kind == ControlKind::Label) {
            // A label after a short field (the day count and its unit) stays
            // beside the field instead of at the far end of the stretched column.
            cursor.layout->removeWidget(cursor.narrowCell);
            auto* cell = new QHBoxLayout;
            cell->addWidget(cursor.narrowCell);
            cell->addWidget(widget);
            cell->addStretch();
            cursor.layout->addLayout(cell, cursor.row, cursor.column);
            cursor.narrowCell = nullptr;
            widgets_.emplace(info.name, widget);
            Connect(info, widget);
            continue;
        }
        if (!info.sameRow || cursor.row < 0) {
            ++cursor.row;
            cursor.column = 0;
        } else {
            ++cursor.column;
        }
        cursor.layout->addWidget(widget, cursor.row, cursor.column, narrow ? Qt::AlignLeft : Qt::Alignment());
        cursor.narrowCell = narrow ? widget : nullptr;
        widgets_.emplace(info.name, widget);
        Connect(info, widget);
    }
    connect(tabs_, &QTabWidget::currentChanged, this, [this](int tab) {
        if (!syncing_) form_.SetCurrentTab(tab);
    });
}

QWidget* ConfigWindow::MakeControl(const ControlInfo& info, QWidget* parent) {
    QWidget* widget = nullptr;
    switch (info.kind) {
    case ControlKind::Label: widget = new QLabel(Qt8(info.caption), parent); break;
    case ControlKind::TextBox:
    case ControlKind::Password: {
        auto* edit = new QLineEdit(parent);
        if (info.kind == ControlKind::Password) edit->setEchoMode(QLineEdit::Password);
        if (info.maxLength > 0) edit->setMaxLength(info.maxLength);
        // Short fields are as wide as their longest content, the others take the room left.
        if (info.maxLength > 0 && info.maxLength <= 4)
            edit->setMaximumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('0')) * (info.maxLength + 4));
        else
            edit->setMinimumWidth(edit->fontMetrics().horizontalAdvance(QLatin1Char('x')) * 36);
        if (info.keys == KeyRule::DigitsOnly) InstallDigitsOnly(edit);
        if (info.keys == KeyRule::EnterMovesOn) InstallEnterMovesOn(edit);
        if (info.selectAllOnEntry) InstallSelectAllOnEntry(edit);
        edit->installEventFilter(this);
        widget = edit;
        break;
    }
    case ControlKind::CheckBox: widget = new QCheckBox(Qt8(info.caption), parent); break;
    case ControlKind::Option: {
        auto* option = new QRadioButton(Qt8(info.caption), parent);
        option->setAutoExclusive(false); // the form decides which option is chosen
        widget = option;
        break;
    }
    case ControlKind::ComboBox: widget = new QComboBox(parent); break;
    case ControlKind::Button: {
        auto* button = new QPushButton(Qt8(info.caption), parent);
        button->setAutoDefault(false);
        button->setFixedWidth(button->fontMetrics().horizontalAdvance(button->text()) * 4);
        widget = button;
        break;
    }
    case ControlKind::Grid:
        officeEditor_ = new OfficeEditor(form_.officeGrid(), exeName_, parent);
        return officeEditor_;
    case ControlKind::Frame: break;
    }
    widget->setObjectName(Qt8(info.name));
    if (!info.tooltip.empty()) widget->setToolTip(Qt8(info.tooltip));
    if (info.keys == KeyRule::EnterMovesOn && info.kind != ControlKind::TextBox && info.kind != ControlKind::Password)
        InstallEnterMovesOn(widget);
    return widget;
}

void ConfigWindow::Connect(const ControlInfo& info, QWidget* widget) {
    const std::string name(info.name);
    if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
        connect(edit, &QLineEdit::textEdited, this, [this, name](const QString& text) {
            form_.SetText(name, Std(text));
            Sync();
        });
    } else if (auto* box = qobject_cast<QCheckBox*>(widget)) {
        connect(box, &QCheckBox::clicked, this, [this, name](bool checked) {
            form_.SetChecked(name, checked);
            Sync();
        });
    } else if (qobject_cast<QRadioButton*>(widget) != nullptr || qobject_cast<QPushButton*>(widget) != nullptr) {
        connect(static_cast<QAbstractButton*>(widget), &QAbstractButton::clicked, this, [this, name] { Press(name); });
    } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
        connect(list, &QComboBox::activated, this, [this, name, list](int) {
            form_.SetText(name, Std(list->currentText()));
            Sync();
        });
    }
}

void ConfigWindow::AddButtons(int tab, QWidget* page) {
    auto* row = new QHBoxLayout;
    row->addStretch();
    for (const auto& [group, caption] :
         {std::pair{kOkButton, "OK"}, std::pair{kCancelButton, "Storno"}, std::pair{kApplyButton, "Použít"}}) {
        auto* button = new QPushButton(QString::fromUtf8(caption), page);
        const auto name = Indexed(group, tab);
        button->setObjectName(Qt8(name));
        button->setAutoDefault(false);
        connect(button, &QPushButton::clicked, this, [this, name] { Press(name); });
        row->addWidget(button);
    }
    static_cast<QVBoxLayout*>(page->layout())->addLayout(row);
}

void ConfigWindow::LoadForm(int tab) {
    form_.SetCurrentTab(tab);
    form_.Load();
    if (officeEditor_ != nullptr) officeEditor_->Refresh();
    Sync();
}

bool ConfigWindow::LeaveEditedField() {
    if (edited_.empty()) return true;
    const auto name = edited_;
    const bool left = form_.LeaveField(name);
    if (left && edited_ == name) edited_.clear();
    Sync();
    return left;
}

void ConfigWindow::Press(const std::string& name) {
    if (IsCancel(name)) {
        edited_.clear();
    } else if (!LeaveEditedField()) {
        return;
    }
    const auto rowsBefore = form_.officeGrid().rows();
    const auto appliedBefore = form_.applyCount();
    form_.Click(name);
    if (officeEditor_ != nullptr && form_.officeGrid().rows() != rowsBefore) officeEditor_->Refresh();
    Sync();
    if (form_.applyCount() != appliedBefore && onApplied_) onApplied_();
    if (form_.outcome() == FormOutcome::Confirmed) accept();
    if (form_.outcome() == FormOutcome::Cancelled) QDialog::reject();
}

void ConfigWindow::reject() {
    if (form_.outcome() == FormOutcome::Open) form_.Cancel();
    QDialog::reject();
}

bool ConfigWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::FocusIn) {
        const auto name = Std(watched->objectName());
        // A field left for a button that was then not clicked is left now.
        if (!edited_.empty() && edited_ != name) LeaveEditedField();
        edited_ = name;
    } else if (event->type() == QEvent::FocusOut) {
        // Another window taking the focus (a box, a menu) does not leave the
        // field; a press on one of the dialog's buttons leaves it when the
        // button acts (Press), so that a refused field can stop the button.
        const auto reason = static_cast<QFocusEvent*>(event)->reason();
        const auto* next = QApplication::focusWidget();
        const bool toOwnButton = reason == Qt::MouseFocusReason && next != nullptr && IsOwnButton(next->objectName());
        if (edited_ == Std(watched->objectName()) && !toOwnButton && reason != Qt::ActiveWindowFocusReason &&
            reason != Qt::PopupFocusReason)
            LeaveEditedField();
    }
    return QDialog::eventFilter(watched, event);
}

void ConfigWindow::Sync() {
    syncing_ = true;
    for (const auto& [name, state] : form_.controls()) {
        const auto found = widgets_.find(name);
        if (found == widgets_.end()) continue;
        QWidget* widget = found->second;
        const auto text = Qt8(state.text);
        if (auto* label = qobject_cast<QLabel*>(widget)) {
            label->setText(text);
        } else if (auto* edit = qobject_cast<QLineEdit*>(widget)) {
            if (edit->text() != text) edit->setText(text);
        } else if (auto* button = qobject_cast<QAbstractButton*>(widget);
                   button != nullptr && qobject_cast<QPushButton*>(widget) == nullptr) {
            button->setChecked(state.checked);
            SetBold(button, state.bold);
        } else if (auto* list = qobject_cast<QComboBox*>(widget)) {
            QStringList items;
            for (const auto& item : state.items) items << Qt8(item);
            QStringList shown;
            for (int i = 0; i < list->count(); ++i) shown << list->itemText(i);
            if (shown != items) {
                list->clear();
                list->addItems(items);
            }
            list->setCurrentIndex(static_cast<int>(items.indexOf(text)));
        }
        widget->setEnabled(state.enabled);
        widget->setHidden(!state.visible);
    }
    if (tabs_->currentIndex() != form_.currentTab()) tabs_->setCurrentIndex(form_.currentTab());
    if (const auto focus = form_.TakeFocusRequest(); !focus.empty()) {
        QWidget* target = focus == "cmdNew" && officeEditor_ != nullptr ? officeEditor_->newButton() : nullptr;
        if (const auto found = widgets_.find(focus); target == nullptr && found != widgets_.end())
            target = found->second;
        if (target != nullptr) target->setFocus(Qt::OtherFocusReason);
    }
    syncing_ = false;
}

} // namespace zumaset
