// The kernel objects behind HANDLE values: open files, directory searches,
// devices. Handles are small numbers, never 0 or INVALID_HANDLE_VALUE.
#pragma once

#include <cstdint>
#include <map>
#include <memory>

#include "machine/Machine.h"
#include "platform/ce/CeTypes.h"

namespace host {

class HandleObject {
  public:
    virtual ~HandleObject() = default;
    // Each operation returns false with the Windows error code in `error`
    // when the object does not support it or it fails.
    virtual bool read(void* buffer, uint32_t count, uint32_t& done, uint32_t& error);
    virtual bool write(const void* buffer, uint32_t count, uint32_t& done, uint32_t& error);
    virtual bool seek(int64_t distance, uint32_t method, uint64_t& position, uint32_t& error);
    virtual bool size(uint64_t& size, uint32_t& error);
    virtual bool flush(uint32_t& error);
    virtual bool ioctl(uint32_t code, void* in, uint32_t inSize, void* out, uint32_t outSize,
                       uint32_t& returned, uint32_t& error);
    virtual bool getCommState(ce::DCB& dcb, uint32_t& error);
    virtual bool setCommState(const ce::DCB& dcb, uint32_t& error);
};

class HandleTable : public MachineComponent {
  public:
    explicit HandleTable(Machine&) {}
    ce::HANDLE add(std::unique_ptr<HandleObject> object);
    HandleObject* find(ce::HANDLE handle) const;
    template <class T>
    T* findAs(ce::HANDLE handle) const {
        return dynamic_cast<T*>(find(handle));
    }
    bool close(ce::HANDLE handle);
    size_t openCount() const { return objects_.size(); }

  private:
    std::map<uintptr_t, std::unique_ptr<HandleObject>> objects_;
    uintptr_t next_ = 0x100;
};

// The handle table of the current machine.
HandleTable& handles();

// Opens a device name such as "COM1:" or "DSK1:"; null with `error` set when
// there is no such device.
std::unique_ptr<HandleObject> openDevice(const std::u16string& name, uint32_t access,
                                         uint32_t& error);

}  // namespace host
