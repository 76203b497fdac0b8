// Our declarations of the D2XX driver library's Linux interface: types, status codes, flags, records.
#pragma once

#include <pthread.h>

#include <cstdint>

// The library's Linux build uses 32-bit DWORD/ULONG and opaque pointer handles.
using DWORD = std::uint32_t;
using ULONG = std::uint32_t;
using WORD = std::uint16_t;
using USHORT = std::uint16_t;
using UCHAR = std::uint8_t;
using PUCHAR = UCHAR*;
using LPDWORD = DWORD*;
using PVOID = void*;
using LPVOID = void*;
using PCHAR = char*;
using FT_HANDLE = void*;
using FT_STATUS = ULONG;
using FT_DEVICE = ULONG;

enum : FT_STATUS {
  FT_OK = 0,
  FT_INVALID_HANDLE = 1,
  FT_DEVICE_NOT_FOUND = 2,
  FT_DEVICE_NOT_OPENED = 3,
  FT_IO_ERROR = 4,
  FT_INSUFFICIENT_RESOURCES = 5,
  FT_INVALID_PARAMETER = 6,
  FT_INVALID_BAUD_RATE = 7,
  FT_DEVICE_NOT_OPENED_FOR_ERASE = 8,
  FT_DEVICE_NOT_OPENED_FOR_WRITE = 9,
  FT_FAILED_TO_WRITE_DEVICE = 10,
  FT_EEPROM_READ_FAILED = 11,
  FT_EEPROM_WRITE_FAILED = 12,
  FT_EEPROM_ERASE_FAILED = 13,
  FT_EEPROM_NOT_PRESENT = 14,
  FT_EEPROM_NOT_PROGRAMMED = 15,
  FT_INVALID_ARGS = 16,
  FT_NOT_SUPPORTED = 17,
  FT_OTHER_ERROR = 18,
  FT_DEVICE_LIST_NOT_READY = 19,
};

// FT_OpenEx and FT_ListDevices flags.
inline constexpr DWORD FT_OPEN_BY_SERIAL_NUMBER = 1;
inline constexpr DWORD FT_OPEN_BY_DESCRIPTION = 2;
inline constexpr DWORD FT_OPEN_BY_LOCATION = 4;
inline constexpr DWORD FT_LIST_NUMBER_ONLY = 0x80000000u;
inline constexpr DWORD FT_LIST_BY_INDEX = 0x40000000u;
inline constexpr DWORD FT_LIST_ALL = 0x20000000u;
inline constexpr DWORD FT_LIST_MASK = FT_LIST_NUMBER_ONLY | FT_LIST_BY_INDEX | FT_LIST_ALL;

// Word lengths, stop bits, parity.
inline constexpr UCHAR FT_BITS_8 = 8;
inline constexpr UCHAR FT_BITS_7 = 7;
inline constexpr UCHAR FT_STOP_BITS_1 = 0;
inline constexpr UCHAR FT_STOP_BITS_2 = 2;
inline constexpr UCHAR FT_PARITY_NONE = 0;
inline constexpr UCHAR FT_PARITY_ODD = 1;
inline constexpr UCHAR FT_PARITY_EVEN = 2;
inline constexpr UCHAR FT_PARITY_MARK = 3;
inline constexpr UCHAR FT_PARITY_SPACE = 4;

// Flow control.
inline constexpr USHORT FT_FLOW_NONE = 0x0000;
inline constexpr USHORT FT_FLOW_RTS_CTS = 0x0100;
inline constexpr USHORT FT_FLOW_DTR_DSR = 0x0200;
inline constexpr USHORT FT_FLOW_XON_XOFF = 0x0400;

// Purge masks.
inline constexpr ULONG FT_PURGE_RX = 1;
inline constexpr ULONG FT_PURGE_TX = 2;

// Event notification masks.
inline constexpr DWORD FT_EVENT_RXCHAR = 1;
inline constexpr DWORD FT_EVENT_MODEM_STATUS = 2;
inline constexpr DWORD FT_EVENT_LINE_STATUS = 4;

// Modem status bits (low byte of FT_GetModemStatus).
inline constexpr ULONG FT_MODEM_STATUS_CTS = 0x10;
inline constexpr ULONG FT_MODEM_STATUS_DSR = 0x20;
inline constexpr ULONG FT_MODEM_STATUS_RI = 0x40;
inline constexpr ULONG FT_MODEM_STATUS_DCD = 0x80;

// Device types reported by FT_GetDeviceInfo.
enum : FT_DEVICE {
  FT_DEVICE_BM = 0,
  FT_DEVICE_AM = 1,
  FT_DEVICE_100AX = 2,
  FT_DEVICE_UNKNOWN = 3,
  FT_DEVICE_2232C = 4,
  FT_DEVICE_232R = 5,
};

// The event record FT_SetEventNotification takes on Linux in place of a Windows event handle.
struct EVENT_HANDLE {
  pthread_cond_t eCondVar;
  pthread_mutex_t eMutex;
  int iVar;
};

// The EEPROM program-data record of FT_EE_Read / FT_EE_Program, field for field.
struct FT_PROGRAM_DATA {
  DWORD Signature1;  // 0x00000000
  DWORD Signature2;  // 0xFFFFFFFF
  DWORD Version;
  WORD VendorId;
  WORD ProductId;
  char* Manufacturer;    // 32 bytes
  char* ManufacturerId;  // 16 bytes
  char* Description;     // 64 bytes
  char* SerialNumber;    // 16 bytes
  WORD MaxPower;
  WORD PnP;
  WORD SelfPowered;
  WORD RemoteWakeup;
  // Rev 4 (FT232B)
  UCHAR Rev4, IsoIn, IsoOut, PullDownEnable, SerNumEnable, USBVersionEnable;
  WORD USBVersion;
  // Rev 5 (FT2232)
  UCHAR Rev5, IsoInA, IsoInB, IsoOutA, IsoOutB, PullDownEnable5, SerNumEnable5, USBVersionEnable5;
  WORD USBVersion5;
  UCHAR AIsHighCurrent, BIsHighCurrent, IFAIsFifo, IFAIsFifoTar, IFAIsFastSer, AIsVCP, IFBIsFifo,
      IFBIsFifoTar, IFBIsFastSer, BIsVCP;
  // FT232R
  UCHAR UseExtOsc, HighDriveIOs, EndpointSize, PullDownEnableR, SerNumEnableR, InvertTXD, InvertRXD,
      InvertRTS, InvertCTS, InvertDTR, InvertDSR, InvertDCD, InvertRI, Cbus0, Cbus1, Cbus2, Cbus3,
      Cbus4, RIsD2XX;
  // Rev 7 (FT2232H)
  UCHAR PullDownEnable7, SerNumEnable7, ALSlowSlew, ALSchmittInput, ALDriveCurrent, AHSlowSlew,
      AHSchmittInput, AHDriveCurrent, BLSlowSlew, BLSchmittInput, BLDriveCurrent, BHSlowSlew,
      BHSchmittInput, BHDriveCurrent, IFAIsFifo7, IFAIsFifoTar7, IFAIsFastSer7, AIsVCP7, IFBIsFifo7,
      IFBIsFifoTar7, IFBIsFastSer7, BIsVCP7, PowerSaveEnable;
  // Rev 8 (FT4232H)
  UCHAR PullDownEnable8, SerNumEnable8, ASlowSlew, ASchmittInput, ADriveCurrent, BSlowSlew,
      BSchmittInput, BDriveCurrent, CSlowSlew, CSchmittInput, CDriveCurrent, DSlowSlew,
      DSchmittInput, DDriveCurrent, ARIIsTXDEN, BRIIsTXDEN, CRIIsTXDEN, DRIIsTXDEN, AIsVCP8, BIsVCP8,
      CIsVCP8, DIsVCP8;
  // Rev 9 (FT232H)
  UCHAR PullDownEnableH, SerNumEnableH, ACSlowSlewH, ACSchmittInputH, ACDriveCurrentH, ADSlowSlewH,
      ADSchmittInputH, ADDriveCurrentH, Cbus0H, Cbus1H, Cbus2H, Cbus3H, Cbus4H, Cbus5H, Cbus6H,
      Cbus7H, Cbus8H, Cbus9H, IsFifoH, IsFifoTarH, IsFastSerH, IsFT1248H, FT1248CpolH, FT1248LsbH,
      FT1248FlowControlH, IsVCPH, PowerSaveEnableH;
};

// Documented sizes of the caller's EEPROM string buffers.
inline constexpr int FtManufacturerSize = 32;
inline constexpr int FtManufacturerIdSize = 16;
inline constexpr int FtDescriptionSize = 64;
inline constexpr int FtSerialNumberSize = 16;

// The entry points, as C function pointer types (no calling-convention decoration on Linux).
extern "C" {
typedef FT_STATUS (*FT_Write_Fn)(FT_HANDLE, LPVOID buffer, DWORD bytes_to_write, LPDWORD bytes_written);
typedef FT_STATUS (*FT_Read_Fn)(FT_HANDLE, LPVOID buffer, DWORD bytes_to_read, LPDWORD bytes_returned);
typedef FT_STATUS (*FT_Open_Fn)(int device_number, FT_HANDLE* handle);
typedef FT_STATUS (*FT_OpenEx_Fn)(PVOID arg1, DWORD flags, FT_HANDLE* handle);
typedef FT_STATUS (*FT_ListDevices_Fn)(PVOID arg1, PVOID arg2, DWORD flags);
typedef FT_STATUS (*FT_Handle_Fn)(FT_HANDLE);  // Close, ResetDevice, Set/ClrDtr, Set/ClrRts, ...
typedef FT_STATUS (*FT_Purge_Fn)(FT_HANDLE, ULONG mask);
typedef FT_STATUS (*FT_SetTimeouts_Fn)(FT_HANDLE, ULONG read_timeout_ms, ULONG write_timeout_ms);
typedef FT_STATUS (*FT_GetQueueStatus_Fn)(FT_HANDLE, DWORD* rx_bytes);
typedef FT_STATUS (*FT_GetModemStatus_Fn)(FT_HANDLE, ULONG* modem_status);
typedef FT_STATUS (*FT_SetChars_Fn)(FT_HANDLE, UCHAR event_char, UCHAR event_char_enabled,
                                    UCHAR error_char, UCHAR error_char_enabled);
typedef FT_STATUS (*FT_SetLatencyTimer_Fn)(FT_HANDLE, UCHAR latency_ms);
typedef FT_STATUS (*FT_GetLatencyTimer_Fn)(FT_HANDLE, PUCHAR latency_ms);
typedef FT_STATUS (*FT_SetDataCharacteristics_Fn)(FT_HANDLE, UCHAR word_length, UCHAR stop_bits,
                                                  UCHAR parity);
typedef FT_STATUS (*FT_SetFlowControl_Fn)(FT_HANDLE, USHORT flow_control, UCHAR xon, UCHAR xoff);
typedef FT_STATUS (*FT_GetDeviceInfo_Fn)(FT_HANDLE, FT_DEVICE* device, LPDWORD id, PCHAR serial_number,
                                         PCHAR description, LPVOID dummy);
typedef FT_STATUS (*FT_EE_Program_Fn)(FT_HANDLE, FT_PROGRAM_DATA* data);  // also FT_EE_Read
typedef FT_STATUS (*FT_EE_ReadEx_Fn)(FT_HANDLE, FT_PROGRAM_DATA* data, char* manufacturer,
                                     char* manufacturer_id, char* description, char* serial_number);
typedef FT_STATUS (*FT_EE_UASize_Fn)(FT_HANDLE, LPDWORD size);
typedef FT_STATUS (*FT_EE_UARead_Fn)(FT_HANDLE, PUCHAR data, DWORD data_len, LPDWORD bytes_read);
typedef FT_STATUS (*FT_EE_UAWrite_Fn)(FT_HANDLE, PUCHAR data, DWORD data_len);
typedef FT_STATUS (*FT_SetBitMode_Fn)(FT_HANDLE, UCHAR mask, UCHAR enable);
typedef FT_STATUS (*FT_GetBitMode_Fn)(FT_HANDLE, PUCHAR mode);
typedef FT_STATUS (*FT_SetEventNotification_Fn)(FT_HANDLE, DWORD event_mask, PVOID event);
typedef FT_STATUS (*FT_GetStatus_Fn)(FT_HANDLE, DWORD* rx_bytes, DWORD* tx_bytes, DWORD* event_word);
typedef FT_STATUS (*FT_GetEventStatus_Fn)(FT_HANDLE, DWORD* event_word);
typedef FT_STATUS (*FT_SetBaudRate_Fn)(FT_HANDLE, ULONG baud_rate);
typedef FT_STATUS (*FT_SetUSBParameters_Fn)(FT_HANDLE, ULONG in_transfer_size, ULONG out_transfer_size);
typedef FT_STATUS (*FT_SetDivisor_Fn)(FT_HANDLE, USHORT divisor);
typedef FT_STATUS (*FT_SetResetPipeRetryCount_Fn)(FT_HANDLE, DWORD count);
}
