// A scripted answerer in place of the message box: it writes what it was asked to standard error,
// as one line "box: <caption> | <text with line feeds shown as /> [OK]" (or [Yes/No]), and
// answers with `scripted_answer`.
#pragma once

extern int scripted_answer;
void use_scripted_message_box(int answer);
