#include "admin/ClsMessage.h"

#include <QVariant>

namespace {
// The window's link to its message object: the object's address, owning nothing.
constexpr const char* kLinkName = "_vantoro_ClsMessage";
}  // namespace

QEvent::Type WindowMessageEvent::EventType() {
    static const auto type = static_cast<QEvent::Type>(QEvent::registerEventType());
    return type;
}

ClsMessage::~ClsMessage() {
    messages_.clear();
    children_.clear();
    if (window_ && MessageClass(window_) == this) {
        window_->removeEventFilter(this);
        window_->setProperty(kLinkName, QVariant());
    }
    if (destroyedLink_) disconnect(destroyedLink_);
}

bool ClsMessage::AddMessage(MessageReceiver* owner, QWidget* window, bool active) {
    for (const Entry& e : messages_)
        if (e.handle != window) return false;
    messages_.push_back({owner, window, active});
    if (messages_.size() == 1) HookWindow(window);
    return true;
}

bool ClsMessage::DeleteMessage(MessageReceiver* owner, QWidget* /*window*/) {
    const auto before = messages_.size();
    std::erase_if(messages_, [owner](const Entry& e) { return e.owner == owner; });
    if (messages_.size() == before) return false;
    if (messages_.empty()) UnhookWindow();
    return true;
}

bool ClsMessage::AddChildMessage(MessageReceiver* owner, QWidget* child, bool active) {
    for (const Entry& e : children_)
        if (e.handle == child) return false;
    children_.push_back({owner, child, active});
    return true;
}

bool ClsMessage::DeleteChildMessage(MessageReceiver* /*owner*/, QWidget* child) {
    const auto before = children_.size();
    std::erase_if(children_, [child](const Entry& e) { return e.handle == child; });
    return children_.size() != before;
}

ClsMessage* ClsMessage::MessageClass(QWidget* window) {
    if (!window) return nullptr;
    const QVariant link = window->property(kLinkName);
    if (!link.isValid()) return nullptr;
    return reinterpret_cast<ClsMessage*>(link.value<quintptr>());
}

ClsMessage* ClsMessage::ForWindow(QWidget* window) {
    if (ClsMessage* found = MessageClass(window)) return found;
    auto* made = new ClsMessage;
    made->selfOwned_ = true;
    return made;
}

bool ClsMessage::HookWindow(QWidget* window) {
    if (!window) return false;
    window_ = window;
    // The link goes on before the filter and comes off after it, so the filter always finds
    // the object through the window.
    window->setProperty(kLinkName, QVariant::fromValue(reinterpret_cast<quintptr>(this)));
    window->installEventFilter(this);
    destroyedLink_ = connect(window, &QObject::destroyed, this, [this] {
        // The window went while hooked: nothing can reach this object any more.
        messages_.clear();
        window_ = nullptr;
        if (selfOwned_) deleteLater();
    });
    return true;
}

bool ClsMessage::UnhookWindow() {
    if (!window_) {
        if (selfOwned_) deleteLater();
        return false;
    }
    window_->removeEventFilter(this);
    window_->setProperty(kLinkName, QVariant());
    disconnect(destroyedLink_);
    window_ = nullptr;
    if (selfOwned_) deleteLater();
    return true;
}

MessageReceiver* ClsMessage::FindChildMessage(const QWidget* child) const {
    for (const Entry& e : children_)
        if (e.handle == child && e.active) return e.owner;
    return nullptr;
}

void ClsMessage::CallOwner(MessageReceiver* owner, QWidget* window, QEvent* event, bool& handled,
                           qint32& result) {
    try {
        result = owner->CallBackWindow(window, event, handled);
    } catch (...) {
        // An owner that fails is skipped; the result keeps its previous value.
    }
}

qint32 ClsMessage::CallBackWindow(QWidget* window, QEvent* event, bool* passOn) {
    bool handled = false;
    qint32 result = 0;
    if (!busy_) {
        QPointer<ClsMessage> alive(this);
        busy_ = true;
        if (event->type() == WindowMessageEvent::EventType()) {
            const auto* m = static_cast<const WindowMessageEvent*>(event);
            if (m->message == WindowMessageEvent::Command || m->message == WindowMessageEvent::Notify) {
                if (m->sender)
                    if (MessageReceiver* owner = FindChildMessage(m->sender))
                        CallOwner(owner, window, event, handled, result);
            }
        }
        // The count is taken once: a position an owner's removal emptied is skipped, an entry
        // appended past the count waits for the next event.
        const std::size_t count = alive ? messages_.size() : 0;
        for (std::size_t i = 0; i < count && alive; ++i) {
            if (i >= messages_.size()) continue;
            const Entry e = messages_[i];
            if (e.active && e.owner) CallOwner(e.owner, window, event, handled, result);
        }
        if (alive) busy_ = false;
    }
    if (passOn) *passOn = !handled;
    return result;
}

bool ClsMessage::eventFilter(QObject* watched, QEvent* event) {
    if (watched != window_) return false;
    bool passOn = true;
    CallBackWindow(window_, event, &passOn);
    return !passOn;
}
