#include "controls/input/FormPlacement.h"

#include "controls/input/AppUtils.h"
#include "controls/input/VisualRoutines.h"
#include "platform/Guard.h"

#include <QEvent>
#include <QThread>
#include <QTimer>
#include <QWidget>
#include <algorithm>
#include <stdexcept>

TWinMinMaxInfo::TWinMinMaxInfo(TFormPlacement* owner) : QObject(owner), owner_(owner) {}

bool TWinMinMaxInfo::DefaultMinMaxInfo() const
{
    return std::all_of(std::begin(values_), std::end(values_), [](int v) { return v == 0; });
}

void TWinMinMaxInfo::SetValue(int index, int value)
{
    if (values_[index] == value) return;
    values_[index] = value;
    owner_->UpdateSizeLimits();
}

void TWinMinMaxInfo::Assign(const TWinMinMaxInfo& source)
{
    std::copy(std::begin(source.values_), std::end(source.values_), std::begin(values_));
    owner_->UpdateSizeLimits();
}

TFormPlacement::TFormPlacement(QObject* owner)
    : QObject(owner), minMaxInfo_(new TWinMinMaxInfo(this)), hook_(new TIcWindowHook(this))
{
    hook_->AfterMessage = [this](TIcWindowHook*, THookMessage& message, bool&) { HookMessage(message); };
    if (QWidget* form = Form()) {
        options_ = TPlacementOptions(fpState | fpPosition);
        defaultMaximize_ = form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint);
        form->installEventFilter(this);
    }
}

void TFormPlacement::SetPreventResize(bool value)
{
    if (value == preventResize_ || !Form()) return;
    preventResize_ = value;
    UpdateSizeLimits();
}

void TFormPlacement::UpdateSizeLimits()
{
    QWidget* form = Form();
    if (!form) return;
    hook_->SetWinControl(preventResize_ || !minMaxInfo_->DefaultMinMaxInfo() ? form : nullptr);
    ApplySizeLimits();
    const bool maximize = !preventResize_ && defaultMaximize_ && form->windowType() != Qt::Dialog;
    if (form->windowFlags().testFlag(Qt::WindowMaximizeButtonHint) == maximize) return;
    // New window flags hide the window: it is shown again.
    const bool visible = form->isVisible();
    form->setWindowFlag(Qt::WindowMaximizeButtonHint, maximize);
    if (visible) form->show();
}

void TFormPlacement::ApplySizeLimits()
{
    QWidget* form = Form();
    if (!form) return;
    const TWinMinMaxInfo& info = *minMaxInfo_;
    // The form's own limits, as designed, are what a 0 leaves in place.
    if (!limitsTaken_) {
        designedMin_ = form->minimumSize();
        designedMax_ = form->maximumSize();
        limitsTaken_ = true;
    }
    const auto pick = [](int value, int designed) { return value > 0 ? value : designed; };
    if (preventResize_ && form->isVisible()) {
        form->setFixedSize(form->size());
        return;
    }
    const QSize min(pick(info.MinTrackWidth(), designedMin_.width()), pick(info.MinTrackHeight(), designedMin_.height()));
    const QSize max(pick(info.MaxTrackWidth(), designedMax_.width()), pick(info.MaxTrackHeight(), designedMax_.height()));
    form->setMinimumSize(min);
    form->setMaximumSize(MaximizedSizeLimit(form, {info.MaxSizeWidth(), info.MaxSizeHeight()}, min, max));
}

// Where a window procedure is asked for the size limits, the form shows or changes its state.
void TFormPlacement::HookMessage(THookMessage& message)
{
    switch (message.Event->type()) {
    case QEvent::Show: ApplySizeLimits(); break;
    case QEvent::WindowStateChange:
        // Once the window manager has put the window in its new state.
        QTimer::singleShot(0, this, [this] { ApplySizeLimits(); });
        break;
    default: break;
    }
}

TFormPlacement::~TFormPlacement() = default;

QWidget* TFormPlacement::Form() const
{
    auto* w = qobject_cast<QWidget*>(parent());
    return w && w->isWindow() ? w : nullptr;
}

std::string TFormPlacement::IniFileName() const
{
    if (!iniFileName_.empty()) return iniFileName_;
    return useRegistry_ ? GetDefaultIniRegKey() : GetDefaultIniName();
}

std::string TFormPlacement::IniSection() const
{
    return iniSection_.empty() ? GetDefaultSection(parent()) : iniSection_;
}

void TFormPlacement::SaveFormPlacement()
{
    if (!restored_ && active_) return;
    storage_ = useRegistry_ ? TIniStorage::OpenRegistry(IniFileName()) : TIniStorage::OpenIniFile(IniFileName());
    try {
        SavePlacement();
        if (OnSavePlacement) OnSavePlacement();
        if (!storage_->Save()) throw std::runtime_error("Cannot write the form settings to " + storage_->Path());
        saved_ = true;
    } catch (...) {
        storage_.reset();
        throw;
    }
    storage_.reset();
}

void TFormPlacement::RestoreFormPlacement()
{
    saved_ = false;
    storage_ = useRegistry_ ? TIniStorage::OpenRegistry(IniFileName()) : TIniStorage::OpenIniFile(IniFileName());
    try {
        RestorePlacement();
        restored_ = true;
        if (OnRestorePlacement) OnRestorePlacement();
        QWidget* form = Form();
        if (form && options_.testFlag(fpActiveControl)) {
            const std::string name = IniReadString(storage_.get(), IniSection(), "ActiveControl", {});
            auto* control = qobject_cast<QWidget*>(FindOwnedComponent(form, name));
            if (control && control->isEnabled() && control->focusPolicy() != Qt::NoFocus) control->setFocus();
        }
    } catch (...) {
        storage_.reset();
        throw;
    }
    storage_.reset();
}

void TFormPlacement::SavePlacement()
{
    QWidget* form = Form();
    if (!form) return;
    const std::string section = IniSection();
    WriteFormPlacement(form, storage_.get(), section);
    if (options_.testFlag(fpActiveControl) && form->focusWidget())
        IniWriteString(storage_.get(), section, "ActiveControl", form->focusWidget()->objectName().toStdString());
    IniWriteString(storage_.get(), section, "Visible", destroying_ ? "1" : "0");
}

void TFormPlacement::RestorePlacement()
{
    QWidget* form = Form();
    if (!form) return;
    if (ReadFormPlacement(form, storage_.get(), IniSection(), options_.testFlag(fpState),
                          options_.testFlag(fpPosition)))
        SetFormPosition(poDesigned);
    else if (FormPosition() == poScreenCenter && !(form->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen)))
        CenterWindow(form);
}

void TFormPlacement::FormDestroying()
{
    if (!active_ || saved_) return;
    destroying_ = true;
    guarded(&TFormPlacement::SaveFormPlacement);
    destroying_ = false;
}

void TFormPlacement::guarded(void (TFormPlacement::*action)())
{
    try {
        (this->*action)();
    } catch (...) {
        guard::handleApplicationException(std::current_exception());
    }
}

bool TFormPlacement::eventFilter(QObject* watched, QEvent* event)
{
    if (watched != parent()) return false;
    switch (event->type()) {
    case QEvent::Show:
        // Only the form's first show: a window brought back from the task bar or the window
        // manager's icon is shown again too, and must keep what happened since.
        if (shown_) break;
        shown_ = true;
        if (active_) guarded(&TFormPlacement::RestoreFormPlacement);
        break;
    case QEvent::Close:
        // The form may still refuse: an accepted close hides it at once, before the reset.
        closing_ = true;
        ForgetCloseLater(QThread::currentThread()->loopLevel(), ++closes_);
        break;
    case QEvent::Hide:
        if (closing_ && active_ && !event->spontaneous()) guarded(&TFormPlacement::SaveFormPlacement);
        closing_ = false;
        break;
    default: break;
    }
    return false;
}

// A close the form refused leaves no mark. While the form's close handler runs an event loop
// of its own (a question to the user), the reset waits for the answer.
void TFormPlacement::ForgetCloseLater(int loopLevel, unsigned close)
{
    QTimer::singleShot(QThread::currentThread()->loopLevel() > loopLevel ? 100 : 0, this, [this, loopLevel, close] {
        if (close != closes_ || !closing_) return;
        if (QThread::currentThread()->loopLevel() > loopLevel) ForgetCloseLater(loopLevel, close);
        else closing_ = false;
    });
}

TFormStorage::TFormStorage(QObject* owner) : TFormPlacement(owner) {}

QStringList TFormStorage::StoredProps() const
{
    QStringList lines;
    for (const auto& line : stored_) lines << QString::fromStdString(line.Text);
    return lines;
}

void TFormStorage::SetStoredProps(const QStringList& lines)
{
    stored_.clear();
    for (const QString& l : lines) stored_.push_back({l.toStdString(), nullptr});
    attached_ = false;
}

// The components are looked up once the form has built them: at the first save or restore.
void TFormStorage::attach()
{
    if (attached_) return;
    UpdateStoredList(Form(), stored_, true);
    attached_ = true;
}

TPropsStorage TFormStorage::propsStorage()
{
    TPropsStorage props;
    props.Section = IniSection();
    TIniStorage* storage = Storage();
    props.OnReadString = [storage](std::string_view s, std::string_view i, std::string_view d) {
        return IniReadString(storage, s, i, d);
    };
    props.OnWriteString = [storage](std::string_view s, std::string_view i, std::string_view v) {
        IniWriteString(storage, s, i, v);
    };
    props.OnEraseSection = [storage](std::string_view s) {
        if (storage) storage->EraseSection(s);
    };
    return props;
}

void TFormStorage::SavePlacement()
{
    TFormPlacement::SavePlacement();
    attach();
    propsStorage().StoreObjectsProps(Form(), stored_);
}

void TFormStorage::RestorePlacement()
{
    TFormPlacement::RestorePlacement();
    restored_ = true;
    attach();
    propsStorage().LoadObjectsProps(Form(), stored_);
}

void SetupEditorFormStorage(TFormStorage& storage)
{
    storage.SetIniFileName("ftploc.ini");
    storage.SetIniSection("ScriptMainScreen");
    storage.SetStoredProps({"Panel1.Width", "EffFill1.FillObject"});
}

void SetupWizardFormStorage(TFormStorage& storage)
{
    storage.SetStoredProps({"CheckBox1.Checked", "ComboBox1.Text", "Edit1.Text", "CheckBox2.Checked",
                            "Edit8.Text", "Edit10.Text"});
}
