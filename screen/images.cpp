#include "screen/images.h"

#include "display/frames.h"
#include "platform/threads.h"
#include "runtime/errors.h"
#include "runtime/flags.h"
#include "runtime/shared_bytes.h"
#include "runtime/statements.h"
#include "screen/fonts.h"
#include "screen/palette.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cstring>

ImageTableRecord ImageTable = {
    static_cast<ImageRecord*>(calloc(IMAGE_TABLE_STEP, sizeof(ImageRecord))),
    IMAGE_TABLE_STEP,
    0,
    static_cast<int32_t*>(calloc(IMAGE_TABLE_STEP, sizeof(int32_t))),
    0,
    IMAGE_TABLE_STEP,
};
PageTableRecord PageTable = {static_cast<int32_t*>(calloc(1, sizeof(int32_t))), 1};

CurrentImage dest_image{};
CurrentImage source_image{};
CurrentImage display_page{};

int32_t auto_tall_allowed = 1;
TextSize pending_text_size = {-1, -1, -1};
std::atomic<int32_t> display_hold{0};

namespace {

constexpr int32_t SCREEN_PAGES = 8; // pages 0 to 7 are made with the screen

// The display hold is taken once however deep the program thread nests its requests (screen
// re-creation takes slots, and taking a slot may grow the table).
int32_t hold_depth = 0;
bool hold_taken = false;

ImageRecord* record_of(int32_t slot) {
    return &ImageTable.records[slot];
}

void set_current(CurrentImage& current, int32_t slot) {
    current.slot.store(slot);
    current.record.store(record_of(slot));
}

void refresh_current(CurrentImage& current) {
    int32_t slot = current.slot.load();
    if (slot != 0) current.record.store(record_of(slot));
}

// Grows the table by one step, with the display side held off: realloc may move every record.
bool grow_image_table() {
    int64_t size = int64_t(ImageTable.size) + IMAGE_TABLE_STEP;
    if (size > INT32_MAX) return false;
    img_hold_display();
    auto* grown = static_cast<ImageRecord*>(
        realloc(static_cast<void*>(ImageTable.records), size_t(size) * sizeof(ImageRecord)));
    if (grown != nullptr) {
        memset(static_cast<void*>(grown + ImageTable.size), 0,
               size_t(IMAGE_TABLE_STEP) * sizeof(ImageRecord));
        ImageTable.records = grown;
        ImageTable.size = int32_t(size);
        refresh_current(dest_image);
        refresh_current(source_image);
        refresh_current(display_page);
    }
    img_release_display();
    return grown != nullptr;
}

bool grow_released_stack() {
    int64_t capacity = int64_t(ImageTable.released_capacity) + IMAGE_TABLE_STEP;
    if (capacity > INT32_MAX) return false;
    void* grown = realloc(ImageTable.released, size_t(capacity) * sizeof(int32_t));
    if (grown == nullptr) return false;
    ImageTable.released = static_cast<int32_t*>(grown);
    ImageTable.released_capacity = int32_t(capacity);
    return true;
}

// Lengthens the PageTable to `count` entries, the new ones 0.
bool lengthen_page_table(int64_t count) {
    if (count <= PageTable.count) return true;
    if (count > INT32_MAX) return false;
    void* grown = realloc(PageTable.slots, size_t(count) * sizeof(int32_t));
    if (grown == nullptr) return false;
    PageTable.slots = static_cast<int32_t*>(grown);
    std::fill(PageTable.slots + PageTable.count, PageTable.slots + count, 0);
    PageTable.count = int32_t(count);
    return true;
}

// The slot that handle h (negative) names, or 0 when it names no image in use.
int32_t slot_of_handle(int32_t handle) {
    int64_t slot = -int64_t(handle);
    if (slot >= ImageTable.handed_out || record_of(int32_t(slot))->in_use == 0) return 0;
    return int32_t(slot);
}

// Frees what the image owns and gives its slot back.
void free_image(int32_t slot) {
    ImageRecord* image = record_of(slot);
    if (image->flags & IMG_OWNS_DATA) free(image->data);
    if (image->flags & IMG_OWNS_PALETTE) free(image->palette);
    img_release_slot(slot);
}

bool text_size_pending() {
    return pending_text_size.columns != -1 || pending_text_size.rows != -1 ||
           pending_text_size.font != -1;
}

void release_screen() {
    for (int32_t page = 1; page < PageTable.count; ++page)
        if (PageTable.slots[page] != 0) free_image(PageTable.slots[page]);
    if (PageTable.slots[0] != 0) free_image(PageTable.slots[0]);
    PageTable.slots[0] = 0;
    PageTable.count = 1;
}

// The size of the screen to build: the pending one, or 80 by 25 with font 16 at start-up.
TextSize take_screen_size() {
    TextSize size = {80, 25, 16};
    if (text_size_pending()) {
        size = pending_text_size;
        pending_text_size = {-1, -1, -1};
    }
    return size;
}

// Builds pages 0 to 7 of a text screen. The pages that fit lie in the VideoTextBlock at a fixed
// stride; the others get storage of their own. A screen that cannot be built leaves the program
// nothing to print on: critical error 502.
void build_text_screen(TextSize size) {
    int64_t stride = int64_t(size.columns) * size.rows * 2;
    if (size.columns == 40 && size.rows == 25) {
        stride = 2048;
        size.font = 17;
    } else if (size.columns == 80 && size.rows == 25) {
        stride = 4096;
        size.font = 16;
    }
    int64_t pages_in_block = std::min<int64_t>(VIDEO_TEXT_BLOCK_SIZE / stride, SCREEN_PAGES);
    if (!lengthen_page_table(SCREEN_PAGES)) {
        rt_error(502);
        return;
    }
    for (int32_t page = 0; page < SCREEN_PAGES; ++page) {
        int32_t slot = page < pages_in_block ? img_new_record(VideoTextBlock + page * stride,
                                                              size.columns, size.rows, 0)
                                             : img_create(size.columns, size.rows, 0);
        if (slot == 0) {
            rt_error(502);
            return;
        }
        ImageRecord* image = record_of(slot);
        img_set_font(size.font, image);
        image->flags |= IMG_SCREEN_PAGE;
        PageTable.slots[page] = slot;
    }
    shared_fill_cells(VideoTextBlock, BLANK_TEXT_CELL, VIDEO_TEXT_BLOCK_SIZE / 2);
    set_current(display_page, PageTable.slots[0]);
    set_current(dest_image, PageTable.slots[0]);
    set_current(source_image, PageTable.slots[0]);
}

// The slot of a scr_pcopy argument: a page, or a handle naming an image in use (else error 5).
int32_t pcopy_slot(int32_t page_or_handle) {
    if (page_or_handle >= 0) return img_page(page_or_handle);
    int32_t slot = slot_of_handle(page_or_handle);
    if (slot == 0) rt_error(5);
    return slot;
}

} // namespace

void img_table_init() {
    if (ImageTable.records == nullptr || ImageTable.released == nullptr) rt_error(502);
    memset(static_cast<void*>(ImageTable.records), 0,
           size_t(ImageTable.size) * sizeof(ImageRecord));
    ImageTable.handed_out = 0;
    ImageTable.released_count = 0;
    PageTable.slots[0] = 0;
    PageTable.count = 1;
    for (CurrentImage* current : {&dest_image, &source_image, &display_page}) {
        current->slot.store(0);
        current->record.store(nullptr);
    }
    record_of(img_alloc_slot())->in_use = 0;
    record_of(img_alloc_slot())->in_use = 0;
}

int32_t img_alloc_slot() {
    int32_t slot;
    if (ImageTable.released_count > 0) {
        slot = ImageTable.released[--ImageTable.released_count];
    } else {
        if (ImageTable.handed_out == ImageTable.size && !grow_image_table()) {
            rt_error(502);
            return 0;
        }
        slot = ImageTable.handed_out++;
    }
    record_of(slot)->in_use = 1;
    return slot;
}

int32_t img_release_slot(int32_t slot) {
    if (slot < 0 || slot >= ImageTable.size || record_of(slot)->in_use == 0) return 0;
    memset(static_cast<void*>(record_of(slot)), 0, sizeof(ImageRecord));
    if (ImageTable.released_count == ImageTable.released_capacity && !grow_released_stack()) {
        rt_error(503);
        return 0;
    }
    ImageTable.released[ImageTable.released_count++] = slot;
    return 1;
}

int32_t img_new_record(uint8_t* storage, int32_t width, int32_t height, int32_t mode) {
    if (width < 1 || height < 1 || width > UINT16_MAX || height > UINT16_MAX) return 0;
    if (mode != 0) return 0; // this runtime makes text images only
    int32_t slot = img_alloc_slot();
    if (slot == 0) return 0;
    ImageRecord* image = record_of(slot);
    image->data = storage;
    image->width = uint16_t(width);
    image->height = uint16_t(height);
    image->mode = uint16_t(mode);
    image->bytes_per_cell = 2;
    image->bits_per_cell = 16;
    image->is_text = 1;
    image->fg = 7;
    image->bg = 0;
    image->font = 16;
    image->cursor_visible = 0;
    image->cursor_start = 4;
    image->cursor_end = 4;
    image->palette = static_cast<uint32_t*>(calloc(256, sizeof(uint32_t)));
    if (image->palette == nullptr) {
        img_release_slot(slot);
        return 0;
    }
    image->flags |= IMG_OWNS_PALETTE;
    palette_copy_text_colours(image->palette);
    image->colour_mask = 0xFFFF;
    image->cursor_row = 1;
    image->cursor_col = 1;
    image->view_top = 1;
    image->view_bottom = int16_t(std::max(height - 1, 1));
    return slot;
}

int32_t img_create(int32_t width, int32_t height, int32_t mode) {
    int32_t slot = img_new_record(nullptr, width, height, mode);
    if (slot == 0) return 0;
    size_t cells = size_t(width) * size_t(height);
    auto* data = static_cast<uint8_t*>(malloc(cells * 2));
    if (data == nullptr) {
        free_image(slot);
        return 0;
    }
    shared_fill_cells(data, BLANK_TEXT_CELL, cells);
    ImageRecord* image = record_of(slot);
    image->data = data;
    image->flags |= IMG_OWNS_DATA;
    return slot;
}

void img_free(int32_t handle, int32_t passed) {
    if (pending_error.load() != 0) return;
    int32_t slot = dest_image.slot.load();
    if (passed) {
        if (handle >= 0) {
            rt_error(5);
            return;
        }
        slot = slot_of_handle(handle);
        if (slot == 0) {
            rt_error(258);
            return;
        }
    }
    if (record_of(slot)->flags & IMG_SCREEN_PAGE) {
        rt_error(5);
        return;
    }
    if (slot == dest_image.slot.load()) set_current(dest_image, display_page.slot.load());
    if (slot == source_image.slot.load()) set_current(source_image, display_page.slot.load());
    free_image(slot);
}

void img_set_font(int32_t font, ImageRecord* image) {
    image->font = font;
    int32_t rows = image->height;
    if (!image->is_text && font >= 0 && font < FONT_NUMBERS && FontHeight[font] > 0)
        rows = image->height / FontHeight[font];
    shared_store(image->cursor_row, int16_t(1));
    shared_store(image->cursor_col, int16_t(1));
    image->view_top = 1;
    image->view_bottom = int16_t(std::max(rows - 1, 1));
}

int32_t img_page(int32_t page) {
    if (pending_error.load() != 0) return 0;
    if (page < 0 || PageTable.slots[0] == 0) {
        rt_error(5);
        return 0;
    }
    if (!lengthen_page_table(int64_t(page) + 1)) {
        rt_error(7);
        return 0;
    }
    if (PageTable.slots[page] != 0) return PageTable.slots[page];
    const ImageRecord* first = record_of(PageTable.slots[0]);
    int32_t slot = img_create(first->width, first->height, first->mode);
    if (slot == 0) {
        rt_error(7);
        return 0;
    }
    first = record_of(PageTable.slots[0]); // the table may have grown
    ImageRecord* image = record_of(slot);
    if (image->bytes_per_cell != 4) {
        free(image->palette);
        image->palette = first->palette;
        image->flags &= ~IMG_OWNS_PALETTE;
    }
    image->flags |= IMG_SCREEN_PAGE;
    img_set_font(first->font, image);
    PageTable.slots[page] = slot;
    return slot;
}

int32_t img_resolve(int32_t page_or_handle) {
    if (pending_error.load() != 0) return 0;
    if (page_or_handle >= 0) return img_page(page_or_handle);
    int32_t slot = slot_of_handle(page_or_handle);
    if (slot == 0) rt_error(258);
    return slot;
}

void scr_screen(int32_t mode, int32_t passed) {
    if (pending_error.load() != 0) return;
    if (auto_tall_allowed && !(mode == 0 && passed)) auto_tall_allowed = 0;
    int32_t first = PageTable.slots[0];
    if (!passed) mode = first != 0 ? record_of(first)->mode : 0;
    if (mode != 0) { // the graphics modes are not part of this runtime
        rt_error(5);
        return;
    }
    if (first != 0 && record_of(first)->mode == mode && !text_size_pending()) return;
    img_hold_display();
    display_invalidate_snapshot();
    release_screen();
    build_text_screen(take_screen_size());
    img_release_display();
}

void scr_width(int32_t target, int32_t columns, int32_t rows, int32_t passed) {
    if (pending_error.load() != 0) return;
    auto_tall_allowed = 0;
    const ImageRecord* dest = dest_image.record.load();
    if (!(passed & 3) || target != 0 || dest == nullptr) {
        rt_error(5);
        return;
    }
    if (!(passed & 1)) columns = dest->width;
    if (!(passed & 2)) rows = dest->height;
    if (columns < 1 || rows < 1 || columns > UINT16_MAX || rows > UINT16_MAX) {
        rt_error(5);
        return;
    }
    int32_t font = rows > 49 ? 8 : rows > 42 ? 14 : 16;
    if (columns <= 40) font += 1;
    if (dest->font == font && dest->width == columns && dest->height == rows) return;
    pending_text_size = {columns, rows, font};
    scr_screen(0, 1);
}

void scr_pcopy(int32_t source, int32_t dest) {
    if (pending_error.load() != 0) return;
    int32_t from_slot = pcopy_slot(source);
    if (from_slot == 0) return;
    int32_t to_slot = pcopy_slot(dest);
    if (to_slot == 0 || to_slot == from_slot) return;
    const ImageRecord* from = record_of(from_slot);
    ImageRecord* to = record_of(to_slot);
    if (from->bytes_per_cell != to->bytes_per_cell || from->height != to->height ||
        from->width != to->width ||
        (from->bytes_per_cell == 1 && to->colour_mask < from->colour_mask)) {
        rt_error(5);
        return;
    }
    shared_move_cells(to->data, from->data,
                      size_t(from->width) * from->height * from->bytes_per_cell);
}

void scr_set_dest(int32_t page_or_handle) {
    int32_t slot = img_resolve(page_or_handle);
    if (slot != 0) set_current(dest_image, slot);
}

void scr_set_source(int32_t page_or_handle) {
    int32_t slot = img_resolve(page_or_handle);
    if (slot != 0) set_current(source_image, slot);
}

int32_t scr_get_dest() {
    return -dest_image.slot.load();
}

int32_t scr_get_display() {
    return -display_page.slot.load();
}

int32_t scr_image_width(int32_t page_or_handle, int32_t passed) {
    if (pending_error.load() != 0) return 0;
    int32_t slot = passed ? img_resolve(page_or_handle) : dest_image.slot.load();
    return slot != 0 ? record_of(slot)->width : 0;
}

// Stops the display side from composing while the program thread moves or rebuilds records it
// reads. Needed only while the display thread composes on its own: the threads run and
// presentation is automatic. A stop request while waiting parks the program thread, since the
// display side, shutting down, will not answer.
void img_hold_display() {
    if (hold_depth++ > 0) return;
    hold_taken = threads_started.load() != 0 && auto_display.load() != 0;
    if (!hold_taken) return;
    if (display_hold.load() == 0) display_hold.store(1);
    while (display_hold.load() != 2) {
        if (stop_requested.load() != 0) rt_exit_thread();
        platform_sleep_ms(0);
    }
}

void img_release_display() {
    if (--hold_depth > 0) return;
    if (hold_taken) display_hold.store(0);
    hold_taken = false;
}
