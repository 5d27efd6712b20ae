// The document store bound to local .lbl files through the file-choice
// seam; the open and save dialogs with their network tab take its place.
#pragma once

#include "frame/frame_hub.h"

class lbl_file_store final : public document_store {
public:
    bool save(label *lab, bool save_as, bool network_only) override;
    label_ptr open() override;
};
