// Device names: "COM1:" is the serial port; the disk driver adds "DSKn:".
#include "ce/DiskDevice.h"
#include "ce/HandleTable.h"
#include "machine/Com1.h"
#include "platform/ce/CeTypes.h"

namespace host {
namespace {

class Com1Port : public HandleObject {
  public:
    explicit Com1Port(Com1& port) : port_(port) {}

    bool write(const void* buffer, uint32_t count, uint32_t& done, uint32_t&) override {
        port_.send(buffer, count);
        done = count;
        return true;
    }

    bool read(void*, uint32_t, uint32_t& done, uint32_t&) override {
        done = 0;  // nothing ever arrives on the simulated line
        return true;
    }

    bool getCommState(ce::DCB& dcb, uint32_t&) override {
        dcb = port_.dcb();
        return true;
    }

    bool setCommState(const ce::DCB& dcb, uint32_t& error) override {
        if (dcb.BaudRate == 0)
            return error = ce::ERROR_INVALID_PARAMETER, false;
        port_.dcb() = dcb;
        return true;
    }

  private:
    Com1& port_;
};

}  // namespace

std::unique_ptr<HandleObject> openDevice(const std::u16string& name, uint32_t access,
                                         uint32_t& error) {
    std::string upper;
    for (char16_t c : name)
        upper += char(c >= u'a' && c <= u'z' ? c - 32 : c);
    if (upper == "COM1:") {
        Com1& port = Machine::current().component<Com1>();
        if (!port.available()) {
            error = ce::ERROR_FILE_NOT_FOUND;
            return nullptr;
        }
        port.countOpen();
        return std::make_unique<Com1Port>(port);
    }
    if (upper.size() == 5 && upper.compare(0, 3, "DSK") == 0 && upper[3] >= '0' &&
        upper[3] <= '9' && upper[4] == ':')
        return openDisk(upper, access, error);
    error = ce::ERROR_FILE_NOT_FOUND;
    return nullptr;
}

}  // namespace host
