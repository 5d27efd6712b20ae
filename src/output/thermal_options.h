// What a job for a thermal label printer is written with: its language,
// resolution and media (see output/thermal.h).
#pragma once

enum class thermal_language { zpl, tspl, epl };
enum class thermal_media { gap, mark, continuous };

// How a job is written for one printer: what a printer profile holds
// besides its name and connection.
struct thermal_options {
    thermal_language language = thermal_language::zpl;
    int dpi = 203;             // dots per inch: 203, 300 or 600 are usual
    double head_width_mm = 0;  // printable width of the head; 0: not known
    int darkness = -1;         // the language's scale (ZPL 0..30, TSPL 0..15, EPL 0..15); -1: the printer's own
    int speed = 0;             // inches per second; 0: the printer's own
    thermal_media media = thermal_media::gap;
    double gap_mm = 3;         // the gap (or black mark) between labels
    double offset_x_mm = 0;    // everything printed moved right by this
    double offset_y_mm = 0;    // and down by this
    long copies = 1;           // each label this many times, made by the printer
};
