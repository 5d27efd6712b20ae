// Opening and saving labels through the two-tab dialog: " Файл " for local
// .lbl files, " Сеть " for label servers.  The dialog itself sits behind a
// seam (the GUI's is opensave_dialog); the procedures around it are here.
#pragma once

#include <string>
#include <vector>

#include "hub/frame_hub.h"
#include "platform/network_notice.h"

// The request and the result of one run of the dialog.
struct osd_res {
    bool network = false;      // result: confirmed on " Сеть "
    bool open = false;         // request: open (else save)
    std::u16string name;       // result: the label name, or the file's full path
    std::u16string server;     // result: the server chosen on " Сеть "
    std::u16string buf;        // request: the file name offered; result: the chosen path
    std::u16string folder;     // request: the folder the file part starts in
    bool network_only = false; // request: stay on " Сеть "
    int file_ofs = 0;          // result: where the file name starts in `buf`
};

class open_save_service {
public:
    virtual ~open_save_service() = default;
    // 1 confirmed, 0 cancelled or failed.
    virtual int run(platform_window owner, osd_res &res) = 0;
};

// The service in use; with none installed the dialog is cancelled.
template <>
open_save_service &seam<open_save_service>::fallback();

// Runs the dialog in the folder last used (the settings' "last-folder"),
// which a file chosen there then becomes.
int osd__run_dialog(platform_window owner, bool open, osd_res &res);
// The file name Save as offers for a label: its name, without what no file
// name may hold.
std::u16string osd__file_name_for(const label &lab);
// Save and Save as.  Without a dialog when the label has a place and this
// is not Save as.  The name and the place are set before the write.
bool osd__save(platform_window owner, label *lab, bool save_as, bool network_only);
// A newly loaded label with its place, or nothing.
label_ptr osd__open(platform_window owner);
// A label file read as Open reads it, with its place; nothing after the
// usual message.
label_ptr osd__open_file(const std::u16string &path);

// The frame's document store bound to the procedures above.
class osd_store final : public document_store {
public:
    explicit osd_store(platform_window owner = nullptr) : owner_(owner) {}
    bool save(label *lab, bool save_as, bool network_only) override;
    label_ptr open() override;

private:
    platform_window owner_;
};
