#pragma once

#include "sim/SimFamily.h"

// The parts the rows of SimFamily are made of: how a family cuts its bytes into frames, what a
// whole frame does to the controller, and the position report it sends.
#include <optional>

namespace FamilyFrames {

constexpr char Stx = '\x02';
constexpr char Cr = '\r';
constexpr char Lf = '\n';

// The value of a few ASCII decimal digits, none when empty or anything else is among them.
std::optional<int> decimal(QByteArrayView digits);
// Three digits with leading zeros, as every family writes an azimuth.
QByteArray threeDigits(int value);

// STX ... CR; an STX inside a frame begins a new one (Prosistel D).
SimFamily::Cut stxToCr(QByteArrayView frame, char byte);
// Everything up to CR (Prosistel B/C).
SimFamily::Cut toCr(QByteArrayView frame, char byte);
// The DCU-1 language: a command ends with ';', CR or LF; between commands a line end is
// skipped and a lone ';' is a command of its own.
SimFamily::Cut idiom(QByteArrayView frame, char byte);
// The same, and a single option letter between commands is a setting (Rotor-EZ).
SimFamily::Cut idiomWithOptions(QByteArrayView frame, char byte);
// Everything up to CR; an LF anywhere is dropped (Yaesu GS-232).
SimFamily::Cut toCrWithoutLf(QByteArrayView frame, char byte);
// 13 bytes from 0x57; a 0x57 inside a frame begins a new one, anything before one is stray
// (SPID).
SimFamily::Cut spidFrame(QByteArrayView frame, char byte);

void prosistelD(ControllerModel &model, const QByteArray &frame);
// "A,?,ddd,B|R": the answer to A? and the monitoring stream alike.
QByteArray prosistelDReport(const ControllerModel &model);
void prosistelBC(ControllerModel &model, const QByteArray &frame);
// The azimuth plus 70, three digits and CR.
QByteArray prosistelBCReport(const ControllerModel &model);
void rotorEz(ControllerModel &model, const QByteArray &frame);
void dcu1(ControllerModel &model, const QByteArray &frame);
void hyGain(ControllerModel &model, const QByteArray &frame);
// Yaesu GS-232 with an azimuth rotor: B replies ("AZ=aaa"), or A replies ("+0aaa").
void gs232b(ControllerModel &model, const QByteArray &frame);
void gs232a(ControllerModel &model, const QByteArray &frame);
// SPID: stop and status answered with the position frame, set silent (MD-01/02: answered too).
void rot2Prog(ControllerModel &model, const QByteArray &frame);
void rot1Prog(ControllerModel &model, const QByteArray &frame);
void md01(ControllerModel &model, const QByteArray &frame);

} // namespace FamilyFrames
