'''A stand-in UDisks2 for python3-dbusmock. Parameters (JSON):
  blocks     {"sdb1": "/volume/folder", ...}: partitions with a file system, each
             mounted at its folder and on a drive of its own
  mountinfo  the mount table file that Mount and Unmount change
  calls      the file that gets a line per call: method, object path, options
  errors     {"Mount": "org.freedesktop.UDisks2.Error.NotAuthorized", ...}: calls that fail so
  ready      a file written once the service is on the bus
'''

import dbus
import dbus.service

from dbusmock import mockobject

BUS_NAME = 'org.freedesktop.UDisks2'
MAIN_OBJ = '/org/freedesktop/UDisks2'
SYSTEM_BUS = True
IS_OBJECT_MANAGER = True

BLOCK = 'org.freedesktop.UDisks2.Block'
FILESYSTEM = 'org.freedesktop.UDisks2.Filesystem'
DRIVE = 'org.freedesktop.UDisks2.Drive'

settings = {}


class Device(mockobject.DBusMockObject):
    '''A block device or a drive, with the operations PenShelf calls.'''

    def record(self, method, options, message):
        shown = ' '.join(f'{k}={str(bool(v)).lower() if isinstance(v, dbus.Boolean) else v}'
                         for k, v in sorted(options.items()))
        interactive = str(message.get_allow_interactive_authorization()).lower()
        with open(settings['calls'], 'a', encoding='utf-8') as calls:
            calls.write(f'{method} {self.path} {shown} interactive={interactive}\n')
        error = settings.get('errors', {}).get(method)
        if error:
            raise dbus.exceptions.DBusException(f'{method} refused', name=error)

    def mount_line(self):
        name = self.path.rsplit('/', 1)[1]
        return f'300 22 8:17 / {settings["blocks"][name]} rw - vfat /dev/{name} rw\n'

    @dbus.service.method(FILESYSTEM, in_signature='a{sv}', out_signature='s',
                         message_keyword='message')
    def Mount(self, options, message):
        self.record('Mount', options, message)
        with open(settings['mountinfo'], 'a', encoding='utf-8') as table:
            table.write(self.mount_line())
        return settings['blocks'][self.path.rsplit('/', 1)[1]]

    @dbus.service.method(FILESYSTEM, in_signature='a{sv}', out_signature='',
                         message_keyword='message')
    def Unmount(self, options, message):
        self.record('Unmount', options, message)
        with open(settings['mountinfo'], encoding='utf-8') as table:
            lines = table.readlines()
        if self.mount_line() not in lines:
            raise dbus.exceptions.DBusException('not mounted',
                                                name='org.freedesktop.UDisks2.Error.NotMounted')
        with open(settings['mountinfo'], 'w', encoding='utf-8') as table:
            table.writelines(line for line in lines if line != self.mount_line())

    @dbus.service.method(DRIVE, in_signature='a{sv}', out_signature='',
                         message_keyword='message')
    def PowerOff(self, options, message):
        self.record('PowerOff', options, message)


def load(mock, parameters):
    settings.update(parameters)
    for name in parameters['blocks']:
        drive = f'{MAIN_OBJ}/drives/PEN_{name}'
        block = Device(mock.bus_name, f'{MAIN_OBJ}/block_devices/{name}', BLOCK, {
            'Device': dbus.ByteArray(f'/dev/{name}\0'.encode()),
            'IdUsage': 'filesystem',
            'Drive': dbus.ObjectPath(drive),
        })
        block.props[FILESYSTEM] = {'MountPoints': dbus.Array([], signature='ay')}
        mockobject.objects[block.path] = block
        mockobject.objects[drive] = Device(mock.bus_name, drive, DRIVE, {'Ejectable': True})
    with open(parameters['ready'], 'w', encoding='utf-8'):
        pass
