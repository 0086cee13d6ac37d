#pragma once
// Window controls as C++ objects. Each control keeps its state (text, items, selected index,
// enabled) here; a window binding (platform/win32/) creates the real control from the form's
// layout table, shows this state and feeds the user's changes back through the same setters.
// So the rules about when a handler runs hold whoever changes the state, and are testable
// without a window.
//
// The caption of a button, a radio group, a frame or a label that names a control may mark its
// access key with an "&" before the letter ("&&" shows one "&"); any other label shows an "&"
// as it is, so that a value read from elsewhere shows unchanged.

#include <functional>
#include <string>
#include <vector>

namespace velk {

// Told by a control whenever its state changed, so that the real control can follow.
class ControlView {
  public:
    virtual ~ControlView() = default;
    virtual void refresh() = 0;
    // Only the enabled state changed. A view that can show that alone overrides this: long work
    // disables and enables every control, and a whole refresh of each would hold up the window.
    virtual void enabledChanged(bool /*enabled*/) { refresh(); }
};

class Control {
  public:
    Control() = default;
    Control(const Control&) = delete;
    Control& operator=(const Control&) = delete;
    virtual ~Control() = default;

    bool enabled() const { return enabled_; }
    void setEnabled(bool enabled) {
        if (enabled != enabled_) {
            enabled_ = enabled;
            if (view_ != nullptr) {
                view_->enabledChanged(enabled);
            }
        }
    }
    void bindView(ControlView* view) { view_ = view; }

  protected:
    void changed() {
        if (view_ != nullptr) {
            view_->refresh();
        }
    }

  private:
    bool enabled_ = true;
    ControlView* view_ = nullptr;
};

// Label, one-line text field, group frame: a control with one text.
class TextControl : public Control {
  public:
    explicit TextControl(std::string text = {}) : text_(std::move(text)) {}
    const std::string& text() const { return text_; }
    void setText(const std::string& text) {
        if (text != text_) {
            text_ = text;
            changed();
        }
    }

  private:
    std::string text_;
};

using Label = TextControl;
using Edit = TextControl;
using GroupBox = TextControl;

class Button : public TextControl {
  public:
    using TextControl::TextControl;
    std::function<void()> onClick;
    // A click as the user makes it: nothing happens on a disabled button.
    void click() {
        if (enabled() && onClick) {
            onClick();
        }
    }
};

// Multi-line text box whose content is a list of lines.
class Memo : public Control {
  public:
    explicit Memo(std::vector<std::string> lines = {}) : lines_(std::move(lines)) {}
    const std::vector<std::string>& lines() const { return lines_; }
    void clear() {
        lines_.clear();
        changed();
    }
    void add(const std::string& line) {
        lines_.push_back(line);
        changed();
    }

  private:
    std::vector<std::string> lines_;
};

// Radio group: a caption, items, and the selected index (-1 for none). `onChange` runs exactly
// when the selected index really changes, whether the user or the program changed it; filling
// or clearing the items never runs it.
class RadioGroup : public Control {
  public:
    RadioGroup(std::string caption, std::vector<std::string> items)
        : caption_(std::move(caption)), items_(std::move(items)) {}

    std::function<void()> onChange;

    const std::string& caption() const { return caption_; }
    const std::vector<std::string>& items() const { return items_; }
    int itemIndex() const { return itemIndex_; }

    // Removes every item; the selection becomes -1 without running onChange.
    void clearItems() {
        items_.clear();
        itemIndex_ = -1;
        changed();
    }
    void addItem(const std::string& item) {
        items_.push_back(item);
        changed();
    }
    // Inserts at the front; a selected item stays selected.
    void insertItem(const std::string& item) {
        items_.insert(items_.begin(), item);
        if (itemIndex_ >= 0) {
            ++itemIndex_;
        }
        changed();
    }
    // Selects an item: below -1 means none, beyond the last item the last one.
    void setItemIndex(int index) {
        const int last = static_cast<int>(items_.size()) - 1;
        if (index < -1) {
            index = -1;
        }
        if (index > last) {
            index = last;
        }
        if (index == itemIndex_) {
            return;
        }
        itemIndex_ = index;
        changed();
        if (onChange) {
            onChange();
        }
    }

  private:
    std::string caption_;
    std::vector<std::string> items_;
    int itemIndex_ = -1;
};

// Picture box: shows the picture file named here, scaled to fit with its aspect ratio kept,
// from the top-left corner. Empty name: no picture. Screen readers read it under `name`.
class Picture : public Control {
  public:
    explicit Picture(std::string name = {}) : name_(std::move(name)) {}
    const std::string& fileName() const { return fileName_; }
    void setFileName(const std::string& fileName) {
        fileName_ = fileName;
        changed();
    }
    const std::string& name() const { return name_; }
    void setName(const std::string& name) {
        name_ = name;
        changed();
    }

  private:
    std::string fileName_;
    std::string name_;
};

} // namespace velk

namespace velk {

// List in report view: rows of a caption and sub-items, at most one selected row (-1: none).
// Rows keep the order in which they were added.
class ListView : public Control {
  public:
    struct Row {
        std::string caption;
        std::vector<std::string> subItems;
    };
    struct Column {
        std::string caption;
        int width;
    };

    explicit ListView(std::vector<Column> columns) : columns_(std::move(columns)) {}

    std::function<void()> onDblClick;

    const std::vector<Column>& columns() const { return columns_; }
    const std::vector<Row>& rows() const { return rows_; }
    int selected() const { return selected_; }

    void clear() {
        rows_.clear();
        selected_ = -1;
        changed();
    }
    // Adding many rows: call changed() once at the end through endUpdate().
    void addRow(Row row) { rows_.push_back(std::move(row)); }
    void endUpdate() { changed(); }
    void select(int row) {
        selected_ = row >= 0 && row < static_cast<int>(rows_.size()) ? row : -1;
        changed();
    }
    // A double-click as the user makes it.
    void dblClick() {
        if (enabled() && onDblClick) {
            onDblClick();
        }
    }

  private:
    std::vector<Column> columns_;
    std::vector<Row> rows_;
    int selected_ = -1;
};

} // namespace velk
