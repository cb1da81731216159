#include "ce/HandleTable.h"

#include "platform/ce/CeTypes.h"

namespace host {

bool HandleObject::read(void*, uint32_t, uint32_t& done, uint32_t& error) {
    done = 0;
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

bool HandleObject::write(const void*, uint32_t, uint32_t& done, uint32_t& error) {
    done = 0;
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

bool HandleObject::seek(int64_t, uint32_t, uint64_t&, uint32_t& error) {
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

bool HandleObject::size(uint64_t&, uint32_t& error) {
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

bool HandleObject::flush(uint32_t&) {
    return true;
}

bool HandleObject::ioctl(uint32_t, void*, uint32_t, void*, uint32_t, uint32_t& returned,
                         uint32_t& error) {
    returned = 0;
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

bool HandleObject::getCommState(ce::DCB&, uint32_t& error) {
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

bool HandleObject::setCommState(const ce::DCB&, uint32_t& error) {
    error = ce::ERROR_INVALID_FUNCTION;
    return false;
}

ce::HANDLE HandleTable::add(std::unique_ptr<HandleObject> object) {
    uintptr_t id = next_;
    next_ += 4;
    objects_[id] = std::move(object);
    return reinterpret_cast<ce::HANDLE>(id);
}

HandleObject* HandleTable::find(ce::HANDLE handle) const {
    auto it = objects_.find(reinterpret_cast<uintptr_t>(handle));
    return it == objects_.end() ? nullptr : it->second.get();
}

bool HandleTable::close(ce::HANDLE handle) {
    return objects_.erase(reinterpret_cast<uintptr_t>(handle)) != 0;
}

HandleTable& handles() {
    return Machine::current().component<HandleTable>();
}

}  // namespace host
