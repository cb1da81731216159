#include "platform/PlatformTable.h"

namespace {

const PlatformId kIds[] = {
    {0x0c000000, 0},          {0x0c100000, 0},          {0x0c104000, 0},
    {0x0c108000, 0},          {0x0c200000, 0},          {0x0c204000, 0},
    {0x0c208000, 0},          {0, 0x00c00000},          {0, 0x01000000},
    {0, 0x01040000},          {0x0c208000, 0x01040100}, {0x0c208000, 0x01040200},
    {0x0c208000, 0x01040300}, {0x0c208000, 0x01040400}, {0x0c208000, 0x01040500},
    {0, 0x01c00000},          {0, 0x01c40000},          {0, 0x01c40100},
    {0x0c108000, 0x01c40101}, {0, 0x01c40200},          {0x0c108000, 0x01c40201},
    {0x0c108000, 0x01c40202}, {0, 0x01c40300},          {0x0c204000, 0x01c40301},
    {0, 0x02c00000},          {0, 0x02c20000},          {0, 0x02c20200},
    {0x0c108000, 0x02c20201}, {0x0c108000, 0x02c20202}, {0x0c108000, 0x02c20203},
    {0x0c108000, 0x02c20204}, {0x0c108000, 0x02c20205}, {0x0c108000, 0x02c20206},
    {0x0c108000, 0x02c20207}, {0, 0x02c20300},          {0x0c104000, 0x02c20301},
    {0x0c104000, 0x02c20302}, {0, 0x04000000},          {0, 0x04010000},
    {0x0c204000, 0x04010100},
};

const PlatformName kNames[] = {
    {&kIds[0], TEXT("ARM")},
    {&kIds[1], TEXT("ARM STRONGARM")},
    {&kIds[2], TEXT("ARM STRONGARM SA1100")},
    {&kIds[3], TEXT("ARM STRONGARM SA1110")},
    {&kIds[4], TEXT("ARM XSCALE")},
    {&kIds[5], TEXT("ARM XSCALE PXA250")},
    {&kIds[6], TEXT("ARM XSCALE PXA270")},
    {&kIds[7], TEXT("CASIO")},
    {&kIds[8], TEXT("Sharp")},
    {&kIds[9], TEXT("Sharp WZERO3")},
    {&kIds[10], TEXT("Sharp W-ZERO3 (WS003SH)")},
    {&kIds[11], TEXT("Sharp W-ZERO3 (WS004SH)")},
    {&kIds[12], TEXT("Sharp W-ZERO3[es] (WS007SH)")},
    {&kIds[13], TEXT("Sharp Advanced/W-ZERO3[es] (WS011SH)")},
    {&kIds[14], TEXT("Sharp WILLCOM 03 (WS020SH)")},
    {&kIds[15], TEXT("Compaq")},
    {&kIds[16], TEXT("Compaq iPAQ")},
    {&kIds[17], TEXT("Compaq iPAQ H31XX")},
    {&kIds[18], TEXT("Compaq iPAQ H3100")},
    {&kIds[19], TEXT("Compaq iPAQ H36XX")},
    {&kIds[20], TEXT("Compaq iPAQ H3600")},
    {&kIds[21], TEXT("Compaq iPAQ H3660")},
    {&kIds[22], TEXT("Compaq iPAQ H39XX")},
    {&kIds[23], TEXT("Compaq iPAQ H3900")},
    {&kIds[24], TEXT("HP")},
    {&kIds[25], TEXT("HP Jornada")},
    {&kIds[26], TEXT("HP Jornada 7XX")},
    {&kIds[27], TEXT("HP Jornada 720 (US/UK)")},
    {&kIds[28], TEXT("HP Jornada 720 (Japanese)")},
    {&kIds[29], TEXT("HP Jornada 720 (European)")},
    {&kIds[30], TEXT("HP Jornada 720 (German)")},
    {&kIds[31], TEXT("HP Jornada 720 (French)")},
    {&kIds[32], TEXT("HP Jornada 720 (Scandinavian)")},
    {&kIds[33], TEXT("HP Jornada 720 (Spanish)")},
    {&kIds[34], TEXT("HP Jornada 8XX")},
    {&kIds[35], TEXT("HP Jornada 820")},
    {&kIds[36], TEXT("HP Jornada 820 (Japanese)")},
    {&kIds[37], TEXT("PSIONTEKLOGIX")},
    {&kIds[38], TEXT("PSIONTEKLOGIX NETBOOK")},
    {&kIds[39], TEXT("PSIONTEKLOGIX NETBOOK PRO")},
};
constexpr int kNameCount = sizeof kNames / sizeof kNames[0];
static_assert(kNameCount == 40);

const DisplayInfo kDisplays[] = {
    {0x0c104000, 0x02c20301, 8, 640, 480, 0, 0},
    {0x0c104000, 0x02c20302, 8, 640, 480, 0, 0},
    {0x0c108000, 0x02c20200, 16, 640, 240, 1280, 0x48200000},
    {0x0c108000, 0x01c40201, 16, 320, 240, 640, 0},
    {0x0c204000, 0x01c40301, 16, 320, 240, 640, 0},
    {0x0c204000, 0x04010100, 16, 800, 600, 1600, 0x14200000},
    {0, 0, 0, 0, 0, 0, 0},
};

bool selectable(const PlatformName& row) {
    return row.id->cpu != 0 && row.id->machine != 0;
}

// The table row of the i-th selectable platform, or null.
const PlatformName* selectableRow(int i) {
    if (i < 0)
        return nullptr;
    for (const PlatformName& row : kNames) {
        if (selectable(row) && i-- == 0)
            return &row;
    }
    return nullptr;
}

}  // namespace

const PlatformName* platformNameTable(int* count) {
    *count = kNameCount;
    return kNames;
}

const ce::WCHAR* selectablePlatformName(int i) {
    const PlatformName* row = selectableRow(i);
    return row ? row->name : nullptr;
}

bool selectablePlatform(int i, PlatformId& out) {
    const PlatformName* row = selectableRow(i);
    if (!row)
        return false;
    out = *row->id;
    return true;
}

int selectablePlatformIndex(const PlatformId& id) {
    int index = 0;
    int nearest = -1;
    for (const PlatformName& row : kNames) {
        if (!selectable(row))
            continue;
        if (row.id->cpu == id.cpu && row.id->machine == id.machine)
            return index;
        // A pair that names no row (one of its words missing) still keeps
        // the rows it does name: its zero fields are wildcards. Falling back
        // to the first row would switch an SA-1110 setting to a PXA270.
        if (nearest < 0 && platformMatch(*row.id, id))
            nearest = index;
        ++index;
    }
    return nearest < 0 ? 0 : nearest;
}

const DisplayInfo* displayTable() {
    return kDisplays;
}
