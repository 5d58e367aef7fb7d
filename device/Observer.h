#pragma once
// Observer interfaces of the stores (message boxes and phonebooks, on the PC or on the card).
//
// Observers are borrowed pointers: they register and unregister themselves. A store calls them
// synchronously, in registration order, on the thread that made the change; for card stores
// that is one of the modem library's threads, so an observer that owns a window only posts.

namespace dedevev {

template <typename Source>
class IObserver {
public:
    // 0: an entry was inserted at `position`.
    virtual void OnAdded(Source* source, int position) = 0;
    // 1: the entry that stood at `position` was removed.
    virtual void OnRemoved(Source* source, int position) = 0;
    // 2: the entry at `position` changed (for messages: its status).
    virtual void OnChanged(Source* source, int position) = 0;

protected:
    ~IObserver() = default;
};

// The phonebook observer: the three notices above plus the notice that every entry is gone.
template <typename Source>
class IClearableObserver : public IObserver<Source> {
public:
    // 3: all entries are gone at once.
    virtual void OnCleared(Source* source) = 0;

protected:
    ~IClearableObserver() = default;
};

}  // namespace dedevev
