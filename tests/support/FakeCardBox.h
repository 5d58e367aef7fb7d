#pragma once
// A card message box in memory: a PC box inside, loaded or not, with a capacity of its own.
// GetByIndex takes the index as a position, as a PC box does.

#include "device/IMessageBox.h"
#include "sms/SMSBoxPC.h"

namespace dedevev::test {

class FakeCardBox : public IMessageBox {
public:
    void AddObserver(IMessageBoxObserver* observer) override { box.AddObserver(observer); }
    void RemoveObserver(IMessageBoxObserver* observer) override { box.RemoveObserver(observer); }
    int GetCapacity() override { return capacity; }
    int GetCount() override { return box.GetCount(); }
    const SMSMessage& GetAt(int position) override { return box.GetAt(position); }
    const SMSMessage* GetByIndex(int index) override { return box.GetByIndex(index); }
    bool RemoveAt(int position) override { return box.RemoveAt(position); }
    bool Add(const SMSMessage& message, bool* existed) override {
        return box.Add(message, existed);
    }
    bool SetStatus(int position, std::int32_t status) override {
        return box.SetStatus(position, status);
    }
    int GetUnreadCount() override { return box.GetUnreadCount(); }
    void Lock() override { box.Lock(); }
    void Unlock() override { box.Unlock(); }
    void Load(ILoadingReport*, int* status) override {
        loaded = true;
        ::dedevev::SetStatus(status, kStatusOk);
    }
    bool IsLoaded() override { return loaded; }
    void SetEventHandler(ISMSEventHandler*) override {}

    CSMSBoxPC box;
    int capacity = 0;
    bool loaded = true;
};

}  // namespace dedevev::test
