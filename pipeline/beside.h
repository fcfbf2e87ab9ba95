// The platform's part of a line: starting and ending the thread beside. One file per kind of
// platform implements it (beside_threads.cpp, beside_inline.cpp); the build picks one.
//
// Owns: nothing but the thread's start and end. May not: make pieces; piece_line.cpp does.
#pragma once

struct PieceLine;

// Runs on the thread beside: makes the line's pieces until it may make no more.
void make_pieces_beside(PieceLine* line);

// Starts line->thread running make_pieces_beside(line). False where no thread can be had.
bool start_beside_thread(PieceLine* line);

// Ends the thread started for the line, if any, once make_pieces_beside has returned.
void join_beside_thread(PieceLine* line);
