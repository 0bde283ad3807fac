#pragma once

class Q7Port;
class Workbench;

// The restore into the replacement board, in up to three attempts. Shows its own messages.
bool sendCcData(Workbench& bench);

// Command 67, the 60-s wait with its progress, then the null command.
bool rebootBoard(Workbench& bench, Q7Port& link);
