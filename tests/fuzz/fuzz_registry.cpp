// Registro over arbitrary key paths and value names: the path's split and the deletion of a value
// through a scripted registry that may hold the key, refuse to open it or fail the deletion. One
// Registro makes up to three deletions in a row, as the disinfection does: its module state must
// not carry one call's outcome into the next.
//
// Input, per deletion: one byte of choices (bit 0: opening fails, bit 1: the deletion fails,
// bit 2: the key exists), then the key path and the value name as texts.
#include <cstdint>
#include <string>

#include "registry/Registro.h"
#include "tests/fakes/fake_message_box.h"
#include "tests/fakes/fake_registry_api.h"
#include "tests/fuzz/fuzz_input.h"

namespace torvexa {
namespace {

void DeleteOnce(fuzz::FuzzInput& in, Registro& registro, fakes::FakeRegistryApi& api,
                fakes::FakeMessageBox& boxes) {
    const std::uint8_t choices = in.Byte();
    const std::wstring path = in.Text();
    const std::wstring valueName = in.Text();

    api.openFails.reset();
    api.deleteFails.reset();
    if (choices & 1) api.openFails = 5;
    if (choices & 2) api.deleteFails = 5;

    // What the path names when it is in the accepted form: the root's name and the sub-key.
    const bool wellFormed = path.starts_with(L"HKEY_") && !path.ends_with(L'\\');
    const std::size_t slash = path.find(L'\\');
    const Handle root = wellFormed ? Registro::GetRootKeyHandle(path.substr(0, slash)) : Handle{0};
    const std::wstring subKey = slash == std::wstring::npos ? L"" : path.substr(slash + 1);
    const bool keyThere = (choices & 4) != 0;
    if (keyThere) {
        api.keys[{root, subKey}] = {valueName, L"bystander"};
    } else {
        api.keys.erase({root, subKey});
    }

    api.calls.clear();
    boxes.shown.clear();
    std::wstring argument = path;
    const std::int16_t result = registro.DeleteRegValue(argument, valueName);

    fuzz::Check(result == kTrue || result == kFalse, "result is True or False");
    fuzz::Check(api.openHandles.empty(), "every opened key is closed");
    fuzz::Check(boxes.shown.size() == (wellFormed ? 0u : 1u), "one box exactly for a bad form");
    if (!wellFormed) {
        fuzz::Check(argument == path, "a rejected path is left unchanged");
        fuzz::Check(boxes.shown[0].text == L"Incorrect Format:\n\n" + path, "the box names it");
        fuzz::Check(result == kFalse && api.calls.empty(), "a rejected path touches nothing");
        return;
    }
    fuzz::Check(argument == subKey, "the argument holds the sub-key");
    if (root == 0) {
        fuzz::Check(result == kFalse && api.calls.empty(), "an unknown root touches nothing");
        return;
    }
    const bool opened = keyThere && !(choices & 1);
    fuzz::Check(result == (opened ? kTrue : kFalse), "True exactly when the key was opened");
    fuzz::Check(api.calls.size() == (opened ? 3u : 1u), "open, delete, close or just the open");
    if (opened) {
        const auto& left = api.keys[{root, subKey}];
        fuzz::Check(left.count(L"bystander") == 1 || valueName == L"bystander",
                    "other values are kept");
        fuzz::Check(left.count(valueName) == ((choices & 2) ? 1u : 0u),
                    "the value is gone unless its deletion failed");
    }
}

}  // namespace

int fuzz::FuzzOne(const std::uint8_t* data, std::size_t size) {
    fuzz::FuzzInput in(data, size);
    fakes::FakeRegistryApi api;
    fakes::FakeMessageBox boxes;
    Registro registro(api, boxes);
    DeleteOnce(in, registro, api, boxes);
    for (int more = 0; more < 2 && !in.Empty(); ++more) DeleteOnce(in, registro, api, boxes);
    return 0;
}

}  // namespace torvexa
