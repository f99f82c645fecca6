// The rows' grades: both lists are filled at scan speed and each row's icon comes when the
// reputation service has answered for its name, asked once per scan however many rows
// carry it. Answers reach this thread as a posted message.
#include "mainwindow/Form1.h"
#include "mainwindow/Form1p.h"
#include "reputation/Module1.h"

namespace vt {

int32_t Form1::GradeForNewRow(Lane lane, const std::string& name) {
    return GradesOf(lane).Grade(name).value_or(kGradeNone);
}

void Form1::AwaitGrade(Lane lane, const std::string& name, int row) {
    GradeBook& book = GradesOf(lane);
    if (row < 0 || book.Grade(name) || !lookups_) return;
    book.Wait(name, row);
    lookups_->Ask(name, lane);
}

void Form1::DropGrades(Lane lane) {
    GradesOf(lane).Clear();
    if (lookups_) lookups_->NewBatch(lane);
}

bool Form1::GradesPending() const { return grades1_.Waiting() > 0 || grades2_.Waiting() > 0; }

void Form1::ApplyLookupAnswers() {
    if (!lookups_ || closing_) return;
    BusyScope busy(*this);
    const LookupAnswer* notFound = nullptr;
    std::vector<LookupAnswer> answers = lookups_->TakeAnswers();
    for (const LookupAnswer& a : answers) {
        ListView& list = ListOf(a.lane);
        GradeBook& book = GradesOf(a.lane);
        const int rows = list.Count();
        for (int row : book.Answer(a.name, a.grade)) {
            if (row >= rows || a.grade == kGradeNone) continue;
            // The record first: what the row shows is always what its record holds.
            if (a.lane == kProcessLane) {
                if (ProcessRow* record = ProcessRecord(row)) record->grade = a.grade;
            } else if (StartupRow* record = StartupRecord(row)) {
                record->grade = a.grade;
            }
            list.SetImage(row, a.grade);
        }
        if (a.serviceNotFound && !notFound) notFound = &a;
    }
    // After the grades: the message box pumps, and answers taken meanwhile go their way.
    if (notFound) ReportServiceNotFound(prompt_, hwnd(), notFound->error, notFound->errorSource);
}

}  // namespace vt
