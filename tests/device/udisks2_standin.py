'''A stand-in UDisks2 for python3-dbusmock: one pen partition, sdb1, on a drive
of its own. Parameters (JSON):
  dir     the test's folder: Mount and Unmount change its mountinfo, each call adds
          a line (method, object path, options) to its calls, and its ready is
          written once the service is on the bus
  volume  the folder sdb1 is mounted at
  errors  {"Mount": "org.freedesktop.UDisks2.Error.NotAuthorized", ...}: calls that fail so
  missing the checking tool the Manager's CanCheck and CanRepair say is not installed
'''

import os

import dbus
import dbus.service

from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

FILESYSTEM = 'org.freedesktop.UDisks2.Filesystem'
DRIVE = 'org.freedesktop.UDisks2.Drive'
MANAGER = 'org.freedesktop.UDisks2.Manager'

settings = {}


def file(name):
    return os.path.join(settings['dir'], name)


class Device(mockobject.DBusMockObject):
    '''The partition or its drive, with the operations PenShelf calls.'''

    def operation(self, method, options, message, mounted=None):
        '''Records the call, fails it as the test asks, then mounts or unmounts.'''
        shown = ' '.join(f'{k}={str(bool(v)).lower() if isinstance(v, dbus.Boolean) else v}'
                         for k, v in sorted(options.items()))
        interactive = str(message.get_allow_interactive_authorization()).lower()
        with open(file('calls'), 'a', encoding='utf-8') as calls:
            calls.write(f'{method} {self.path} {shown} interactive={interactive}\n')
        if method in settings['errors']:
            raise dbus.exceptions.DBusException(f'{method} refused',
                                                name=settings['errors'][method])
        if mounted is None:
            return
        line = f'300 22 8:17 / {settings["volume"]} rw - vfat /dev/sdb1 rw\n'
        with open(file('mountinfo'), encoding='utf-8') as table:
            lines = table.readlines()
        if not mounted and line not in lines:
            raise dbus.exceptions.DBusException('not mounted',
                                                name='org.freedesktop.UDisks2.Error.NotMounted')
        with open(file('mountinfo'), 'w', encoding='utf-8') as table:
            table.writelines([old for old in lines if old != line] + ([line] if mounted else []))

    @dbus.service.method(FILESYSTEM, in_signature='a{sv}', out_signature='s',
                         message_keyword='message')
    def Mount(self, options, message):
        self.operation('Mount', options, message, mounted=True)
        return settings['volume']

    @dbus.service.method(FILESYSTEM, in_signature='a{sv}', message_keyword='message')
    def Unmount(self, options, message):
        self.operation('Unmount', options, message, mounted=False)

    @dbus.service.method(DRIVE, in_signature='a{sv}', message_keyword='message')
    def PowerOff(self, options, message):
        self.operation('PowerOff', options, message)


class Manager(mockobject.DBusMockObject):
    '''Whether the tools that check and repair a file system are there.'''

    @dbus.service.method(MANAGER, in_signature='s', out_signature='(bs)')
    def CanCheck(self, _type):
        return (not settings.get('missing'), settings.get('missing', ''))

    @dbus.service.method(MANAGER, in_signature='s', out_signature='(bs)')
    def CanRepair(self, _type):
        return self.CanCheck(_type)


def load(mock, parameters):
    settings.update(parameters)
    drive = f'{MAIN_OBJ}/drives/PEN_sdb1'
    block = Device(mock.bus_name, f'{MAIN_OBJ}/block_devices/sdb1',
                   'org.freedesktop.UDisks2.Block', {
                       'Device': dbus.ByteArray(b'/dev/sdb1\0'),
                       'IdUsage': 'filesystem',
                       'IdType': 'vfat',
                       'Drive': dbus.ObjectPath(drive),
                   })
    block.props[FILESYSTEM] = {'MountPoints': dbus.Array([], signature='ay')}
    mockobject.objects[block.path] = block
    mockobject.objects[drive] = Device(mock.bus_name, drive, DRIVE, {})
    manager = f'{MAIN_OBJ}/Manager'
    mockobject.objects[manager] = Manager(mock.bus_name, manager, MANAGER, {})
    open(file('ready'), 'w', encoding='utf-8').close()
