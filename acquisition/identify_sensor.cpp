// Identification of the unit behind the manager's handle from its EEPROM description.
#include "acquisition/device_status.h"
#include "acquisition/ft_record_device.h"
#include "acquisition/ftdi_binding.h"
#include "acquisition/sensor_identification.h"
#include "channels/main_window_services.h"

bool FTRecordDevice::IdentifySensor(bool read_eeprom) {
  if (!read_eeprom) {
    DeviceTypeCode = 7;
    return false;
  }
  Description.fill(0);
  SerialNumber.fill(0);
  FT_PROGRAM_DATA data{};
  data.Signature1 = 0x00000000u;
  data.Signature2 = 0xFFFFFFFFu;
  data.Version = 0;
  data.Manufacturer = Manufacturer.data();
  data.ManufacturerId = ManufacturerId.data();
  data.Description = Description.data();
  data.SerialNumber = SerialNumber.data();
  TwoLines = 0;
  DeviceTypeCode = 11;
  ChannelCount = 1;
  const FT_STATUS status = Handle != nullptr ? Ftdi.FT_EE_Read(Handle, &data) : FT_INVALID_HANDLE;
  // Whatever the driver wrote, each string ends inside its buffer.
  Manufacturer.back() = '\0';
  ManufacturerId.back() = '\0';
  Description.back() = '\0';
  SerialNumber.back() = '\0';
  if (status != FT_OK) return false;

  const bool english = MainWindow != nullptr && MainWindow->EnglishUi();
  const SensorIdentity identity = IdentifyDescription(Description.data(), kDescriptionMaxLength, english);
  SwitchBack = 0;
  if (ClosingFlag.load() != 0 || !identity.Found) return false;

  DeviceTypeCode = identity.DeviceTypeCode;
  SensorCode = identity.SensorCode;
  ChannelCount = identity.ChannelCount;
  NameLine1 = identity.NameLine1;
  NameLine2 = identity.NameLine2;
  TwoLines = identity.TwoLines ? 1 : 0;
  Model = identity.Model;
  return true;
}
